// The keys' labels: what the application in front on the PC does with each
// key, on the key and in its name for screen readers.
import { TO_PAGE } from './protocol.js';

// "labels APP\tKEY=LABEL\t...": what the application in front does with
// each key; an empty label: nothing. Keys it does not name show their sign.
export function showLabels(message, appLine, keys) {
  const [head, ...pairs] = message.split('\t');
  const app = head.slice(`${TO_PAGE.labels} `.length).trim();
  const labels = new Map(pairs.map((pair) => {
    const equals = pair.indexOf('=');
    return equals < 0 ? [pair, null] : [pair.slice(0, equals), pair.slice(equals + 1)];
  }));
  appLine.textContent = app;
  appLine.hidden = !app;
  for (const button of keys) {
    const name = keyName(button);
    const label = labels.has(button.dataset.key) ? labels.get(button.dataset.key) : null;
    let line = button.querySelector('.label');
    if (!label) {
      if (line) line.remove();
    } else {
      if (!line) {
        line = document.createElement('span');
        line.className = 'label';
        button.append(line);
      }
      line.textContent = label;
    }
    button.classList.toggle('unused', label === '');
    const said = label === '' ? `unused in ${app || 'this window'}` : label;
    button.setAttribute('aria-label', said ? `${name}: ${said}` : name);
  }
}

// The key's own name, as the page was written.
function keyName(button) {
  if (!button.dataset.name) button.dataset.name = button.getAttribute('aria-label') || button.textContent.trim();
  return button.dataset.name;
}
