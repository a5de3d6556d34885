// The remote page's own files, as they are: the words each of them sends or
// recognises, all from page_protocol.json; and the touchpad's gestures, on a
// pad of the test's own.
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { test } from 'node:test';

import { ERRORS, TO_PAGE, TO_VORK } from '../../src/web/page/protocol.js';
import { startTouchpad } from '../../src/web/page/touchpad.js';

const page = new URL('../../src/web/page/', import.meta.url);
const table = JSON.parse(readFileSync(new URL('../page_protocol.json', page), 'utf8'));

test('the page spells only the table\'s words, and sends every word the table gives it', () => {
  const groups = {
    TO_VORK: [TO_VORK, { ...table.toVork.clear, ...table.toVork.sealed }],
    TO_PAGE: [TO_PAGE, { ...table.toPage.clear, ...table.toPage.sealed }],
    ERRORS: [ERRORS, table.toPage.errors],
  };
  for (const [name, [words, entries]] of Object.entries(groups)) {
    assert.deepEqual(Object.entries(words), Object.keys(entries).map((word) => [word, word]), name);
  }
  const sent = new Set();
  for (const file of readdirSync(page).filter((name) => name.endsWith('.js'))) {
    const source = readFileSync(new URL(file, page), 'utf8');
    for (const [, name, word, what] of source.matchAll(/\b(TO_VORK|TO_PAGE)\.(\w+)|\bERRORS\['([^']*)'\]/g)) {
      const [group, entries] = name ? [name, groups[name][1]] : ['ERRORS', table.toPage.errors];
      assert.ok(Object.hasOwn(entries, word ?? what), `${file}: ${group} has no "${word ?? what}"`);
      if (group === 'TO_VORK') sent.add(word);
    }
  }
  assert.deepEqual([...sent].sort(), Object.keys(groups.TO_VORK[1]).sort(), 'the words the page sends');
});

test('the touchpad: twice the finger\'s move with the fractions kept, short touches click, two fingers scroll', () => {
  // [what, steps, messages]; a step: [event, finger, x, y], or ['wait', ms].
  const cases = [
    ['one finger moves the pointer twice as far; what a move leaves over goes with the next',
      [['down', 1, 10, 10], ['move', 1, 10.8, 9.7], ['move', 1, 11.6, 9.4], ['move', 1, 12.4, 9.1],
        ['wait', 300], ['up', 1, 12.4, 9.1]],
      ['move 1 0', 'move 2 -1', 'move 1 0']],
    ['a short touch that hardly moved is a left click', [['down', 1, 0, 0], ['move', 1, 3, 2], ['wait', 249], ['up', 1, 3, 2]],
      ['move 6 4', 'click left']],
    ['a touch as long as the limit is no click', [['down', 1, 0, 0], ['wait', 250], ['up', 1, 0, 0]], []],
    ['a touch that moved as far as the slop is no click', [['down', 1, 0, 0], ['move', 1, 8, 0], ['up', 1, 8, 0]],
      ['move 16 0']],
    ['two fingers tapping are a right click, given half as long again',
      [['down', 1, 0, 0], ['down', 2, 40, 0], ['wait', 374], ['up', 1, 0, 0], ['up', 2, 40, 0]], ['click right']],
    ['two fingers held past that are no click',
      [['down', 1, 0, 0], ['down', 2, 40, 0], ['wait', 375], ['up', 1, 0, 0], ['up', 2, 40, 0]], []],
    ['two fingers dragging scroll by half of each one\'s move; the last one lifting moves nothing',
      [['down', 1, 0, 0], ['down', 2, 40, 0], ['move', 1, 0, 10], ['move', 2, 40, 10.4], ['move', 1, 0, 10.3],
        ['up', 1, 0, 10.3], ['move', 2, 60, 30], ['up', 2, 60, 30]],
      ['scroll 20', 'scroll 20', 'scroll 1']],
    ['two fingers dragging to the right tilt the wheel to the left, with what goes down',
      [['down', 1, 0, 0], ['down', 2, 40, 0], ['move', 1, 10, 5], ['move', 2, 50, 0]], ['scroll 10 -20', 'scroll 0 -20']],
    ['a cancelled touch does nothing, and the next starts afresh',
      [['down', 1, 0, 0], ['cancel', 1, 0, 0], ['down', 1, 0, 0], ['up', 1, 0, 0]], ['click left']],
  ];
  for (const [what, steps, messages] of cases) {
    const pad = Object.assign(new EventTarget(), { classList: { add() {}, remove() {} }, setPointerCapture() {} });
    const sent = [];
    let clock = 1000;
    startTouchpad(pad, (text) => sent.push(text), () => clock);
    for (const [type, finger, x, y] of steps) {
      if (type === 'wait') {
        clock += finger;
        continue;
      }
      pad.dispatchEvent(Object.assign(new Event(`pointer${type}`, { cancelable: true }), { pointerId: finger, clientX: x, clientY: y }));
    }
    assert.deepEqual(sent, messages, what);
  }
});
