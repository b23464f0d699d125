// The editor page: greets the plug-in, builds itself from each hello document and routes the
// plug-in's documents to the panels. It speaks only through window.velmoHost.
import { $ } from './dom.js';
import { Router } from './router.js';
import { GestureTracker, animationFrame } from './gesture.js';
import { Controls } from './controls.js';
import { Presets } from './presets.js';
import { Picture } from './picture.js';
import { CcMapTable } from './ccmap.js';
import { StatePanel } from './state.js';
import { Drawer } from './drawer.js';
import { Feeds } from './feeds.js';
import { Keys } from './keys.js';
import { Meter } from './meter.js';
import { PARAMS, toPlain } from './params.js';
import { installBankPanel } from './bank-panel.js';

const METERS_HZ = 30;
// Panels a plug-in format may lack. A hello naming its "features" offers only those; a hello
// without the list (the VST3 plug-in's) leaves the page as it is.
const OPTIONAL_PANELS = {
  audition: '.keys-panel',
  ccMap: '.ccmap-panel',
  state: '.state-panel',
  meter: '#meter',
  diagnostics: '#drawer-toggle',
  banks: '#bank-panel',
};

function offerPanels(features) {
  if (!Array.isArray(features)) return;
  const offered = new Set(features);
  for (const [feature, selector] of Object.entries(OPTIONAL_PANELS)) {
    const node = document.querySelector(selector);
    if (node) node.hidden = !offered.has(feature);
  }
}

function start(host) {
  const router = new Router(host);
  const post = (message) => router.post(message);
  const gestures = new GestureTracker(post, animationFrame);
  const picture = new Picture($('picture'), $('picture-caption'));
  const presets = new Presets(post);
  const plainValues = () => Object.fromEntries(PARAMS.map((p) => [p.path, toPlain(p, controls.value(p.path))]));
  let building = false;
  const controls = new Controls(gestures, () => {
    if (!building) picture.update(plainValues());
  });
  const ccmap = new CcMapTable(post);
  const state = new StatePanel(post);
  const feeds = new Feeds(post);
  const drawer = new Drawer(feeds);
  const keys = new Keys(post);
  const meter = new Meter();
  // The meter listens while anyone can see it.
  const followVisibility = () => {
    if (document.hidden) feeds.drop('meter');
    else feeds.want('meter', ['meters'], METERS_HZ);
    meter.setVisible(!document.hidden);
  };
  followVisibility();

  router.on('velmo.hello', (doc) => {
    const plugin = doc.plugin || {};
    $('plugin-title').textContent = plugin.name || 'Zuriz';
    $('plugin-version').textContent = plugin.version ? 'v' + plugin.version : '';
    document.title = plugin.name || 'Zuriz';
    offerPanels(doc.features);
    building = true;
    controls.build(doc.params);
    building = false;
    presets.build(doc.factoryPresets, doc.presetState);
    picture.update(plainValues());
    ccmap.show(doc.ccMap);
    drawer.hello(doc);
    feeds.renew();
    document.body.dataset.ready = 'true';
  });
  router.on('velmo.paramChanged', (doc) => controls.setFromPlugin(doc.path, doc.normalized));
  router.on('velmo.presetState', (doc) => presets.adopt(doc.presetState));
  router.on('velmo.state', (doc) => state.received(doc));
  router.on('velmo.ccMapChanged', (doc) => ccmap.show(doc.map));
  router.on('velmo.runtimeDiagnostics', (doc) => drawer.health(doc.report));
  router.on('velmo.lifecycle', (doc) => drawer.lifecycle(doc));
  router.on('velmo.transport', (doc) => drawer.transport(doc));
  router.on('velmo.hostChanged', (doc) => drawer.hostChanged(doc));
  router.on('velmo.meters', (doc) => meter.take(doc.peaks));
  installBankPanel(router, $('bank-panel'));

  // A drag never outlives the pointer or the focus: every begin gets its end. Nor does a
  // held note: a page nobody sees or types into lets every key go.
  window.addEventListener('blur', () => {
    controls.cancelDrags();
    if (keys.anyHeld()) keys.releaseAll();
  });
  document.documentElement.addEventListener('mouseleave', () => controls.cancelDrags());
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) {
      controls.cancelDrags();
      keys.releaseAll();
    }
    followVisibility();
  });
  window.addEventListener('pagehide', () => { controls.cancelDrags(); gestures.abortAll(); keys.releaseAll(); });

  fetch('families.json')
    .then((r) => (r.ok ? r.json() : null))
    .then((families) => picture.setFamilies(families), () => picture.setFamilies(null));

  post({ type: 'velmo.ready' });
}

if (window.velmoHost) {
  start(window.velmoHost);
} else {
  $('picture-caption').textContent = 'This page is the Zuriz editor; it runs inside the plug-in.';
}
