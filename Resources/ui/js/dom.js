// Small DOM helpers: elements from a tag, attributes and children.
export function el(tag, attrs, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attrs || {})) {
    if (value === undefined || value === null || value === false) continue;
    if (key === 'class') node.className = value;
    else if (key === 'text') node.textContent = value;
    else if (key.startsWith('on')) node.addEventListener(key.slice(2), value);
    else if (key in node && typeof value !== 'string') node[key] = value;
    else node.setAttribute(key, value === true ? '' : String(value));
  }
  for (const child of children) {
    if (child === null || child === undefined) continue;
    node.append(child instanceof Node ? child : String(child));
  }
  return node;
}

export function clear(node) {
  while (node.firstChild) node.removeChild(node.firstChild);
  return node;
}

export const $ = (id) => document.getElementById(id);

// A status line's text, marked as an error or not.
export function showMessage(node, text, error) {
  node.textContent = text;
  node.classList.toggle('error', Boolean(error));
}

// A definition list from [term, value] pairs; values that are undefined are left out. Rows
// whose terms stay the same are updated in place, so live facts cost little.
export function fillFacts(dl, pairs) {
  const rows = pairs.filter(([, value]) => value !== undefined);
  const terms = rows.map(([term]) => term).join('\n');
  if (dl.dataset.terms !== terms) {
    clear(dl);
    for (const [term] of rows) dl.append(el('dt', { text: term }), el('dd'));
    dl.dataset.terms = terms;
  }
  const values = dl.querySelectorAll('dd');
  rows.forEach(([, value], i) => {
    const text = String(value);
    if (values[i].textContent !== text) values[i].textContent = text;
  });
}
