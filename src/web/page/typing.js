// The remote's text line: what the PC must be told so that the text typed
// there follows the line. Android keyboards rewrite the line (composition,
// swipe, voice, autocorrect) rather than send keys, so the page compares the
// line with what it has sent and sends the difference: how many characters
// Backspace removes at the end, then the text to type. Characters are code
// points, as the PC's Backspace counts them (an emoji goes at once).
import { TO_VORK } from './protocol.js';

// Kept at the start of the line so that Backspace has something to remove
// when the line looks empty; removing it stands for one Backspace on the PC.
export const PLACEHOLDER = '\u200b';
export const TEXT_LIMIT = 4000;  // characters of text in one message
export const MODIFIERS = ['ctrl', 'alt', 'shift', 'win'];

// The PC's caret stays at the end of what was typed, so everything after the
// first character that differs goes, and comes back as it now reads.
export function difference(sent, now) {
  const before = Array.from(sent);
  const after = Array.from(now);
  let same = 0;
  while (same < before.length && same < after.length && before[same] === after[same]) same += 1;
  return { deleted: before.length - same, inserted: after.slice(same).join('') };
}

// The line as last sent, and its value now: the difference to send, and the
// line to keep (with its placeholder in front again).
export function edit(line, value) {
  const sent = line.split(PLACEHOLDER).join('');
  if (value === sent) {
    // Only the placeholder went: one Backspace before the line's text.
    const { deleted, inserted } = difference(PLACEHOLDER + sent, value);
    return { deleted, inserted, line: PLACEHOLDER + sent };
  }
  // Wherever it went (a selection cleared with it, text typed before it),
  // the placeholder stands for nothing on the PC.
  const now = value.split(PLACEHOLDER).join('');
  return { ...difference(sent, now), line: PLACEHOLDER + now };
}

// "text DELETED TEXT" messages for one difference, in order; none for no
// change. Neither count in one message passes the limit, as Vork refuses more.
export function textMessages({ deleted, inserted }, limit = TEXT_LIMIT) {
  const points = Array.from(inserted);
  const messages = [];
  let left = deleted;
  for (; left > limit; left -= limit) messages.push(`${TO_VORK.text} ${limit} `);
  for (let start = 0; start === 0 || start < points.length; start += limit) {
    const piece = points.slice(start, start + limit).join('');
    if (start === 0 && left === 0 && piece === '') break;
    messages.push(`${TO_VORK.text} ${start === 0 ? left : 0} ${piece}`);
  }
  return messages;
}

// The key a difference names while a modifier waits for it: a single
// printable character (letters in lower case) or one Backspace; null for
// anything else, which goes as text.
export function shortcutKey({ deleted, inserted }) {
  if (deleted === 1 && inserted === '') return 'backspace';
  if (deleted !== 0 || !/^[!-~]$/.test(inserted)) return null;
  return inserted.toLowerCase();
}

// "press KEY [ctrl] [alt] [shift] [win]" with the armed modifiers in that order.
export function pressMessage(key, armed) {
  return [TO_VORK.press, key, ...MODIFIERS.filter((modifier) => armed.has(modifier))].join(' ');
}
