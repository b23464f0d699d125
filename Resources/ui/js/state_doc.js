// Recognises a state document in text the user gives. Pure: no DOM.
import { PARAMS } from './params.js';

// { state } when the text is a state document (an object with a "params" object naming at
// least one parameter), else { error } with a message for the user. A whole "velmo.state"
// message is accepted too, as exported by older copies of the page.
export function readStateText(text) {
  const NOT_STATE = 'This is not a Zuriz state document: expected JSON with a "params" object.';
  let doc;
  try {
    doc = JSON.parse(text);
  } catch (e) {
    return { error: NOT_STATE };
  }
  if (doc && typeof doc === 'object' && doc.type === 'velmo.state') doc = doc.state;
  if (!doc || typeof doc !== 'object' || Array.isArray(doc)) return { error: NOT_STATE };
  const params = doc.params;
  if (!params || typeof params !== 'object' || Array.isArray(params)) return { error: NOT_STATE };
  if (!PARAMS.some((p) => typeof params[p.path] === 'number' || typeof params[p.path] === 'boolean')) {
    return { error: 'This state document names none of the instrument\'s parameters.' };
  }
  return { state: doc };
}
