// The page's one diagnostic subscription. Each part of the page says which feeds it wants;
// the plug-in keeps a single feed set (a subscribe replaces it), so the union goes out
// whenever it changes, and an unsubscribe only when nothing is wanted.
export class Feeds {
  constructor(post) {
    this.post = post;
    this.wants = new Map(); // owner -> { feeds, hz }
    this.sent = null; // what the plug-in holds: null before the first hello
  }

  want(owner, feeds, hz) {
    this.wants.set(owner, { feeds: [...feeds], hz });
    this.sync();
  }

  drop(owner) {
    if (this.wants.delete(owner)) this.sync();
  }

  // After each hello: the plug-in forgot the subscription when the page went away.
  renew() {
    this.sent = '';
    this.sync();
  }

  sync() {
    if (this.sent === null) return;
    const wants = [...this.wants.values()];
    const feeds = [...new Set(wants.flatMap((w) => w.feeds))];
    const hz = Math.max(0, ...wants.map((w) => w.hz));
    const key = feeds.length ? `${feeds.join(',')}@${hz}` : '';
    if (key === this.sent) return;
    this.sent = key;
    this.post(feeds.length ? { type: 'velmo.diag.subscribe', feeds, hz } : { type: 'velmo.diag.unsubscribe' });
  }
}
