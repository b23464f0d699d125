// The host's transport as facts a person reads: state, tempo, signature and the musical
// position as bar and beat (counted from 1) beside the quarters.
const EPS = 1e-6;

function trimmed(x, decimals) {
  const t = x.toFixed(decimals);
  return t.includes('.') ? t.replace(/\.?0+$/, '') : t;
}

export function barBeat(ppq, numerator, denominator, barStartPpq) {
  if (!Number.isFinite(ppq) || !(numerator > 0) || !(denominator > 0)) return null;
  const beatLen = 4 / denominator;
  const barLen = numerator * beatLen;
  const reported = typeof barStartPpq === 'number' && ppq - barStartPpq > -EPS &&
    ppq - barStartPpq < barLen - EPS;
  const barStart = reported ? barStartPpq : Math.floor(ppq / barLen + EPS) * barLen;
  return { bar: Math.round(barStart / barLen) + 1,
    beat: Math.min(numerator, Math.floor((ppq - barStart) / beatLen + EPS) + 1) };
}

export function transportFacts(state) {
  const s = state || {};
  const sig = s.timeSignature || {};
  const flags = [s.playing ? 'playing' : 'stopped', s.recording && 'recording', s.looping && 'looping'];
  const ppq = typeof s.ppqPosition === 'number' && Number.isFinite(s.ppqPosition) ? s.ppqPosition : null;
  const at = ppq === null ? null : barBeat(ppq, sig.numerator, sig.denominator, s.barPositionPpq);
  const quarters = ppq === null ? '—' : (Math.abs(ppq) < 0.005 ? 0 : ppq).toFixed(2);
  return [
    ['State', flags.filter(Boolean).join(', ')],
    ['Tempo', typeof s.tempo === 'number' && Number.isFinite(s.tempo) ? `${trimmed(s.tempo, 2)} BPM` : '—'],
    ['Time signature', `${sig.numerator ?? '—'}/${sig.denominator ?? '—'}`],
    ['Position', at ? `bar ${at.bar}, beat ${at.beat}` : '—'],
    ['Quarters', quarters],
  ];
}
