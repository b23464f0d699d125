// The page as the built bundle ships it. The build writes some of its modules (js/param_table.js
// from the plug-in's parameter table), so tests load the assembled ui folder, not Resources/ui.
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const BUNDLE = process.env.ZURIZ_BUNDLE || path.resolve(here, '../../build/Zuriz.vst3');
export const UI_ROOT = path.join(BUNDLE, 'Contents/Resources/ui');

// One of the page's modules, e.g. pageModule('params.js').
export function pageModule(name) {
  return import(pathToFileURL(path.join(UI_ROOT, 'js', name)).href);
}
