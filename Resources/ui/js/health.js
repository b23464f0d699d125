// Health badge text from a runtime health report. Pure: no DOM.
export function healthOf(report) {
  if (!report || typeof report !== 'object') {
    return { level: 'ok', entries: [], note: 'No problem reported.' };
  }
  const status = report.status;
  const level = status === 'failed' ? 'failed' : (status === 'degraded' ? 'degraded' : 'ok');
  const entries = (Array.isArray(report.diagnostics) ? report.diagnostics : []).map((d) => ({
    severity: String(d.severity || ''),
    text: `${d.severity || '?'} · ${d.code || '?'} (${d.phase || '?'}): ${d.message || ''}` +
      (d.context && d.context.detail ? ` [${d.context.detail}]` : ''),
  }));
  const dropped = report.counters && report.counters['diagnostics.dropped'];
  return { level, entries,
    note: entries.length ? (dropped ? `${dropped} more not kept.` : '') : 'No problem reported.' };
}
