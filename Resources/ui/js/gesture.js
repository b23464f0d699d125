// One edit gesture per parameter: "velmo.beginEdit", "velmo.setParam" at most once per
// animation frame, "velmo.endEdit". Every begin is matched by exactly one end, whatever ends
// the gesture (pointer up or cancel, pointer leaving the window, focus lost).
export class GestureTracker {
  // post(message) sends a page message; frame(callback) asks for the next animation frame
  // and returns a cancel function.
  constructor(post, frame) {
    this.post = post;
    this.frame = frame;
    this.open = new Map(); // path -> { pending, sentThisFrame, ending }
    this.cancelFrame = null;
    this.tick = this.tick.bind(this);
  }

  begin(path) {
    if (this.open.has(path)) return;
    this.open.set(path, { pending: undefined, sentThisFrame: false, ending: false });
    this.post({ type: 'velmo.beginEdit', path });
  }

  // Remembers the value; it goes out on the next frame (only the latest value of a frame).
  set(path, value) {
    const g = this.open.get(path);
    if (!g) return;
    g.pending = value;
    this.schedule();
  }

  // Ends the gesture. The last value is sent first; if one already went out this frame it
  // waits for the next frame so the one-per-frame promise holds.
  end(path) {
    const g = this.open.get(path);
    if (!g) return;
    if (g.pending !== undefined && g.sentThisFrame) {
      g.ending = true;
      this.schedule();
      return;
    }
    this.flush(path, g);
    this.close(path);
  }

  // Ends every gesture at once, even when a value must wait: used when the page goes away.
  abortAll() {
    for (const [path, g] of [...this.open]) {
      this.flush(path, g);
      this.close(path);
    }
  }

  // A complete gesture with one value (key steps, double-click to default, choices).
  single(path, value) {
    if (this.open.has(path)) {
      this.set(path, value);
      return;
    }
    this.post({ type: 'velmo.beginEdit', path });
    this.post({ type: 'velmo.setParam', path, value });
    this.post({ type: 'velmo.endEdit', path });
  }

  flush(path, g) {
    if (g.pending === undefined) return;
    this.post({ type: 'velmo.setParam', path, value: g.pending });
    g.pending = undefined;
    g.sentThisFrame = true;
  }

  close(path) {
    this.open.delete(path);
    this.post({ type: 'velmo.endEdit', path });
  }

  schedule() {
    if (!this.cancelFrame) this.cancelFrame = this.frame(this.tick);
  }

  tick() {
    this.cancelFrame = null;
    for (const [path, g] of [...this.open]) {
      g.sentThisFrame = false;
      this.flush(path, g);
      if (g.ending) this.close(path);
    }
  }
}

// Animation frames, with a timer as back-up: a page that is hidden or unfocused gets no
// frames, and an ending gesture must still close.
export function animationFrame(callback) {
  let done = false;
  const run = () => {
    if (done) return;
    done = true;
    cancelAnimationFrame(raf);
    clearTimeout(timer);
    callback();
  };
  const raf = requestAnimationFrame(run);
  const timer = setTimeout(run, 100);
  return () => { done = true; cancelAnimationFrame(raf); clearTimeout(timer); };
}
