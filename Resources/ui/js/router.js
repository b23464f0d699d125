// Routes documents from the plug-in to handlers by their "type", and posts page messages.
// Panels in their own modules (the sample-bank panel, say) register with on(type, fn).
export class Router {
  constructor(host) {
    this.host = host;
    this.handlers = new Map();
    host.onMessage((doc) => this.dispatch(doc));
  }

  on(type, fn) {
    if (!this.handlers.has(type)) this.handlers.set(type, []);
    this.handlers.get(type).push(fn);
  }

  post(message) { this.host.postMessage(message); }

  dispatch(doc) {
    if (!doc || typeof doc !== 'object' || typeof doc.type !== 'string') return;
    for (const fn of this.handlers.get(doc.type) || []) fn(doc);
  }
}
