// The text line: each change goes to the PC as it happens (typed, swiped,
// spoken or corrected), as Backspaces and text (typing.js works out which);
// a modifier armed takes the next single character instead.
import { PLACEHOLDER, edit, shortcutKey, textMessages } from './typing.js';

// keys: the remote's keys (keys.js), whose modifiers the line's characters
// may be armed with.
export function startTextLine(line, { send, keys }) {
  let typed = PLACEHOLDER;    // the line as the PC has it

  function reset() {
    typed = PLACEHOLDER;
    show(PLACEHOLDER, 0);
  }

  // The caret as far from the end as it was, and never before the placeholder.
  // Only in the focused line: some browsers focus a line whose caret is set.
  function show(value, fromEnd) {
    line.value = value;
    if (document.activeElement !== line) return;
    const at = Math.max(PLACEHOLDER.length, value.length - fromEnd);
    line.setSelectionRange(at, at);
  }

  // Into the line, which opens the phone's keyboard; not while the keys are off.
  function focus() {
    if (line.disabled) return;
    line.focus();
    show(line.value, 0);
  }

  line.addEventListener('input', () => {
    const fromEnd = line.value.length - line.selectionEnd;
    const change = edit(typed, line.value);
    const key = keys.armed.size > 0 ? shortcutKey(change) : null;
    if (key) {
      keys.pressKey(key);
      return;
    }
    if (change.deleted > 0 || change.inserted) keys.disarm();
    for (const message of textMessages(change)) send(message);
    typed = change.line;
    if (line.value !== typed) show(typed, fromEnd);
  });
  line.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || event.isComposing) return;
    event.preventDefault();
    keys.pressKey('enter');
  });
  // A caret put before the placeholder would leave Backspace nothing to remove.
  line.addEventListener('pointerup', () => setTimeout(() => {
    if (line.selectionEnd === 0) line.setSelectionRange(PLACEHOLDER.length, PLACEHOLDER.length);
  }));
  reset();

  return { reset, focus };
}
