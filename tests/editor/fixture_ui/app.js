// A small page speaking the bridge: one slider for "master.level" and a bar showing it.
const host = window.velmoHost;
const slider = document.getElementById('level');
const bar = document.getElementById('bar');
const PATH = 'master.level';

function show(value) {
  slider.value = String(value);
  bar.style.width = Math.round(value * 680) + 'px';
}

host.onMessage((message) => {
  if (message.type === 'velmo.hello') {
    const level = message.params.find((p) => p.path === PATH);
    if (level) show(level.value);
    host.postMessage({ type: 'velmo.test.helloSeen', value: level ? level.value : null });
  } else if (message.type === 'velmo.paramChanged' && message.path === PATH) {
    show(message.value);
    host.postMessage({ type: 'velmo.test.shown', value: message.value });
  }
});

slider.addEventListener('pointerdown', () => host.postMessage({ type: 'velmo.beginEdit', path: PATH }));
slider.addEventListener('input', () => {
  bar.style.width = Math.round(Number(slider.value) * 680) + 'px';
  host.postMessage({ type: 'velmo.setParam', path: PATH, value: Number(slider.value) });
});
slider.addEventListener('change', () => host.postMessage({ type: 'velmo.endEdit', path: PATH }));

// What the page sees of its own visibility, as the bundle's page does to idle while hidden.
const reportVisibility = () => host.postMessage({ type: 'velmo.test.visibility', state: document.visibilityState });
document.addEventListener('visibilitychange', reportVisibility);

host.postMessage({ type: 'velmo.ready' });
reportVisibility();
