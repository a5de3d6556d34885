// The remote page's own files, as they are: the words each of them sends or
// recognises, all from page_protocol.json; the touchpad's gestures, on a pad
// of the test's own; and the Now playing card, on elements of the test's own.
import assert from 'node:assert/strict';
import { readFileSync, readdirSync } from 'node:fs';
import { test } from 'node:test';

import { startKeys } from '../../src/web/page/keys.js';
import {
  formatTime, parseArt, parsePlayers, parsePlaying, playerCommand, startNowPlaying,
} from '../../src/web/page/now_playing.js';
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

// An element with what the page's modules touch of one.
const element = (fields = {}) => Object.assign(new EventTarget(), {
  hidden: false, textContent: '', value: '0', disabled: false, dataset: {}, options: [], attributes: {},
  classList: { add() {}, remove() {} }, style: { setProperty() {} },
  setAttribute(name, value) { this.attributes[name] = value; },
  getAttribute(name) { return this.attributes[name] ?? null; },
}, fields);

test('the Now playing messages as Vork means them, and which media buttons drive the card\'s player', () => {
  const messages = [
    ['playing vlc playing 83000 245000 pnbs\tVLC\tA title\tOne, Two\tAn album', { id: 'vlc', status: 'playing',
      position: 83000, length: 245000, can: 'pnbs', player: 'VLC', title: 'A title', artists: 'One, Two', album: 'An album' }],
    ['playing tv paused 5000 0 -\tTV\tTwo  spaces\t\t',
      { id: 'tv', status: 'paused', position: 5000, length: 0, can: '', player: 'TV', title: 'Two  spaces', artists: '', album: '' }],
    ['playing x buffering -3 many p\tX',
      { id: 'x', status: 'stopped', position: 0, length: 0, can: 'p', player: 'X', title: '', artists: '', album: '' }],
    ['playing', null],
    ['players a\tA\tb.c d\tB C\te', [{ id: 'a', name: 'A' }, { id: 'b.c d', name: 'B C' }]],
    ['players', []],
    ['art data:image/jpeg;base64,/9j/', 'data:image/jpeg;base64,/9j/'],
    ['art', ''],
    ['art javascript:alert(1)', ''],
  ];
  const read = { playing: parsePlaying, players: parsePlayers, art: parseArt };
  for (const [message, meant] of messages) assert.deepEqual(read[message.split(/[ \t]/)[0]](message), meant, message);

  const times = [[0, '0:00'], [999, '0:00'], [59999, '0:59'], [60000, '1:00'], [605000, '10:05'], [3599999, '59:59'],
    [3600000, '1:00:00'], [3725000, '1:02:05'], [-5, '0:00']];
  for (const [ms, shown] of times) assert.equal(formatTime(ms), shown, String(ms));

  // [button, the card's CAN (null: no card), what the button sends]
  const buttons = [['play-pause', 'pnbs', 'player play-pause'], ['next', 'pn', 'player next'], ['previous', 'b', 'player previous'],
    ['previous', 'pn', 'media previous'], ['next', '-', 'media next'], ['play-pause', null, 'media play-pause'],
    ['volume-up', 'pnbs', 'media volume-up'], ['mute', 'pnbs', 'media mute']];
  for (const [word, can, message] of buttons) {
    const playing = can && parsePlaying(`playing vlc playing 0 0 ${can}\tVLC\tT\tA\t`);
    const sent = [];
    const button = element({ dataset: { key: `M:${word}` } });
    startKeys([button], { send: (text) => sent.push(text), buzz() {}, pressed() {}, media: (w) => playerCommand(w, playing) });
    button.dispatchEvent(new Event('click'));
    assert.deepEqual(sent, [message], `${word} with ${can}`);
  }
});

test('the bar moves from the position as it came, never past the end, not while paused or dragged; a drag seeks once', () => {
  const parts = Object.fromEntries(['card', 'cover', 'title', 'artists', 'playerName', 'status', 'bar', 'position', 'elapsed', 'length',
    'pick', 'picker', 'said'].map((part) => [part, element()]));
  const { position, elapsed, said } = parts;
  const [sent, later] = [[], new Map()];  // later: timer -> [f]
  let [clock, tick, timer] = [1000, null, 0];
  const timers = {
    setInterval: (f) => { tick = f; }, clearInterval: () => { tick = null; },
    setTimeout: (f) => later.set(++timer, [f]) && timer, clearTimeout: (id) => later.delete(id),
  };
  const runLater = () => [...later.keys()].forEach((id) => { later.get(id)?.[0](); later.delete(id); });
  const card = startNowPlaying(parts, { send: (text) => sent.push(text), now: () => clock, timers });
  const wait = (ms) => { clock += ms; if (tick) tick(); };
  const at = (value, time) => assert.deepEqual([position.value, elapsed.textContent], [value, time], `at ${clock}`);
  const fire = (type) => position.dispatchEvent(new Event(type));
  const playing = (status, ms, length = 200000) => card.receive(`playing vlc ${status} ${ms} ${length} pnbs\tVLC\tSong\tSinger\t`);

  playing('playing', 10000);
  at('10000', '0:10');
  wait(2500);
  at('12500', '0:12');
  assert.equal(said.textContent, 'Now playing: Song, by Singer');
  said.textContent = '';
  playing('paused', 60000);
  wait(5000);
  card.receive('art');
  at('60000', '1:00');
  assert.equal(said.textContent, '', 'the same title is not announced again');
  card.receive('playing vlc paused 60000 200000 pnbs\tVLC\tSong\tAnother\t');
  assert.equal(said.textContent, 'Now playing: Song, by Another', 'the same title by another artist is');
  playing('playing', 199000);
  wait(5000);
  at('200000', '3:20');

  playing('playing', 30000);
  fire('pointerdown');
  position.value = '50000';
  fire('input');
  wait(1000);
  at('50000', '0:50');
  fire('pointerup');
  fire('change');
  runLater();
  wait(1000);
  at('51000', '0:51');
  assert.deepEqual(sent, ['player seek 50000']);
  // A held arrow key: the first change goes, the last one when the gap is over, none between.
  for (const value of ['52000', '53000', '54000']) {
    position.value = value;
    fire('change');
    clock += 100;
  }
  clock += 100;
  runLater();
  assert.deepEqual(sent.slice(1), ['player seek 52000', 'player seek 54000']);

  playing('playing', 0, 0);
  assert.deepEqual([parts.card.hidden, parts.bar.hidden], [false, true], 'a length of 0 hides the bar');
  card.receive('playing');
  assert.equal(parts.card.hidden, true, 'a bare playing hides the card');
  playing('playing', 0);
  card.linkUp(false);
  assert.deepEqual([parts.card.hidden, card.command('play-pause')], [true, null], 'so does the link down; the media keys are back');
});
