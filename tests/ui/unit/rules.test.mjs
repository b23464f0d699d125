// The checks made before a CC map or a state document is sent.
import test from 'node:test';
import assert from 'node:assert/strict';
import { pageModule } from '../page_modules.mjs';

const { ccMapProblem, ccMapDocument, bindingsOf } = await pageModule('ccmap_rules.js');
const { readStateText } = await pageModule('state_doc.js');

test('CC map limits are refused with a reason before sending', () => {
  const ok = { cc: 7, path: 'master.level' };
  assert.equal(ccMapProblem([ok, { cc: 1, path: 'ir.size', channel: 2, min: 0.5, max: 2 }]), '');
  const bad = [
    [[{ cc: 128, path: 'master.level' }], /0 to 127/],
    [[{ cc: 7.5, path: 'master.level' }], /whole number/],
    [[{ cc: 7, path: 'nope' }], /parameter/],
    [[{ cc: 7, path: 'ir.size', channel: 0 }], /channel/],
    [[{ cc: 7, path: 'ir.size', min: 0.1 }], /from 0.5 to 2/],
    [[{ cc: 7, path: 'ir.size', min: 1.5, max: 1 }], /not be above/],
    [[ok, { cc: 7, path: 'ir.size' }], /already drives Level/],
    [Array.from({ length: 65 }, (_, i) => ({ cc: i, path: 'ir.size' })), /64/],
  ];
  for (const [bindings, reason] of bad) assert.match(ccMapProblem(bindings), reason);
  // A disabled duplicate drives nothing, so it may stay.
  assert.equal(ccMapProblem([ok, { cc: 7, path: 'ir.size', enabled: false }]), '');
  // Members the table does not edit survive the round trip.
  const kept = { cc: 3, path: 'ir.size', valueMode: 'toggle', takeover: 'pickup', curve: 'linear' };
  assert.deepEqual(ccMapDocument(bindingsOf({ bindings: [kept] })).bindings,
    [{ cc: 3, path: 'ir.size', valueMode: 'toggle', takeover: 'pickup' }]);
});

test('only state documents are imported', () => {
  assert.ok(readStateText('{"params":{"ir.size":2}}').state);
  assert.ok(readStateText('{"type":"velmo.state","state":{"params":{"ir.family":1}}}').state);
  for (const text of ['', 'hello', '[1]', '{"params":[]}', '{"ccMap":{}}', 'null']) {
    assert.match(readStateText(text).error, /not a Zuriz state document/, text);
  }
  assert.match(readStateText('{"params":{"other":1}}').error, /none of the instrument/);
});
