// The text line's differences: what the PC is told for each change of the line.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { PLACEHOLDER as P, edit, pressMessage, shortcutKey, textMessages } from '../../src/web/page/typing.js';

const long = 'a'.repeat(3999);

test('each change of the line sends the Backspaces and text that make the PC follow', () => {
  // [what, the line as sent, its value now, the messages, the line kept]
  const cases = [
    ['a letter typed', `${P}`, `${P}h`, ['text 0 h'], `${P}h`],
    ['a word added after a space', `${P}hi`, `${P}hi there`, ['text 0  there'], `${P}hi there`],
    ['text typed in the middle', `${P}hello world`, `${P}hello, world`, ['text 6 , world'], `${P}hello, world`],
    ['Backspace', `${P}hello`, `${P}hell`, ['text 1 '], `${P}hell`],
    ['a selection deleted', `${P}hello world`, `${P}hello`, ['text 6 '], `${P}hello`],
    ['autocorrect replaces a word', `${P}I sse `, `${P}I see `, ['text 3 ee '], `${P}I see `],
    ['a composition rewrites its whole word', `${P}go hel`, `${P}go Hello`, ['text 3 Hello'], `${P}go Hello`],
    ['a swipe word replaced by the next suggestion', `${P}word`, `${P}world`, ['text 1 ld'], `${P}world`],
    ['an emoji is one character', `${P}ok 👍`, `${P}ok `, ['text 1 '], `${P}ok `],
    ['an emoji after an emoji', `${P}👍`, `${P}👍😀`, ['text 0 😀'], `${P}👍😀`],
    ['emoji replaced: surrogate halves are not compared apart', `${P}😀`, `${P}😁`, ['text 1 😁'], `${P}😁`],
    ['Backspace on the empty line', P, '', ['text 1 '], P],
    ['Backspace on the placeholder before text', `${P}ab`, 'ab', ['text 3 ab'], `${P}ab`],
    ['the whole line cleared: the placeholder stands for nothing', `${P}hello`, '', ['text 5 '], P],
    ['the whole line replaced', `${P}hello`, 'x', ['text 5 x'], `${P}x`],
    ['text typed before the placeholder', `${P}ab`, `x${P}ab`, ['text 2 xab'], `${P}xab`],
    ['nothing changed', `${P}same`, `${P}same`, [], `${P}same`],
    ['a long paste goes in pieces, an emoji whole', `${P}x`, `${P}${long}😀b`,
      [`text 1 ${long}😀`, 'text 0 b'], `${P}${long}😀b`],
  ];
  for (const [what, line, value, messages, kept] of cases) {
    const change = edit(line, value);
    assert.deepEqual(textMessages(change), messages, what);
    assert.equal(change.line, kept, what);
  }
});

test('pieces of a long text: the deletions go first, no count in a message past the limit', () => {
  const cases = [
    [{ deleted: 2, inserted: 'abcde' }, 2, ['text 2 ab', 'text 0 cd', 'text 0 e']],
    [{ deleted: 3, inserted: '' }, 2, ['text 2 ', 'text 1 ']],
    [{ deleted: 0, inserted: '😀😀😀' }, 2, ['text 0 😀😀', 'text 0 😀']],
    [{ deleted: 0, inserted: 'ab' }, 2, ['text 0 ab']],
    [{ deleted: 5, inserted: 'x' }, 2, ['text 2 ', 'text 2 ', 'text 1 x']],
    [{ deleted: 4, inserted: '' }, 2, ['text 2 ', 'text 2 ']],
    [{ deleted: 0, inserted: '' }, 2, []],
  ];
  for (const [change, limit, messages] of cases) assert.deepEqual(textMessages(change, limit), messages);
});

test('a modifier takes the next single character or Backspace; anything else goes as text', () => {
  const cases = [
    [{ deleted: 0, inserted: 'c' }, new Set(['ctrl']), 'press c ctrl'],
    [{ deleted: 0, inserted: 'C' }, new Set(['ctrl', 'shift']), 'press c ctrl shift'],
    [{ deleted: 0, inserted: '4' }, new Set(['win', 'alt']), 'press 4 alt win'],
    [{ deleted: 0, inserted: '/' }, new Set(['ctrl', 'alt', 'shift', 'win']), 'press / ctrl alt shift win'],
    [{ deleted: 1, inserted: '' }, new Set(['ctrl']), 'press backspace ctrl'],
    [{ deleted: 0, inserted: ' ' }, new Set(['ctrl']), null],
    [{ deleted: 0, inserted: 'é' }, new Set(['ctrl']), null],
    [{ deleted: 0, inserted: 'cd' }, new Set(['ctrl']), null],
    [{ deleted: 1, inserted: 'x' }, new Set(['ctrl']), null],
  ];
  for (const [change, armed, message] of cases) {
    const key = shortcutKey(change);
    assert.equal(key && pressMessage(key, armed), message, JSON.stringify(change));
  }
});
