// The browser cases share one chromium: each file below registers its tests on import.
import { after } from 'node:test';
import { shutdown } from './harness.mjs';
import './edit.case.mjs';
import './documents.case.mjs';
import './drawer.case.mjs';
import './layout.case.mjs';
import './audition.case.mjs';

after(shutdown);
