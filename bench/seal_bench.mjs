// The page's side of sealing: one tap's message ("key D:1") sealed, and one
// labels message opened, with the page's own secure.js and the packages it
// bundles (V8, as in Chromium). Prints "page-seal median p10 p90" in
// microseconds, per tap (its seal and the labels' open). Bundled and run by
// scripts/bench.
import { SealedChannel } from '../src/web/page/secure.js';

const COUNT = 20000;
const WARM_UP = 2000;
const key = (fill) => new Uint8Array(32).fill(fill);
const page = new SealedChannel(key(1), key(2));
const pc = new SealedChannel(key(2), key(1));
const labels = 'labels VLC media player\tD:1=Previous\tD:2=Vol +\tD:3=Next\tD:4=Back\tD:5=Play/Pause';
const times = [];
for (let i = 0; i < COUNT + WARM_UP; i += 1) {
  const reply = pc.seal(labels);
  const start = process.hrtime.bigint();
  const frame = page.seal('key D:1');
  const opened = page.open(reply);
  const took = Number(process.hrtime.bigint() - start) / 1000;
  if (pc.open(frame) !== 'key D:1' || opened !== labels) throw new Error('a message did not open');
  if (i >= WARM_UP) times.push(took);
}
times.sort((a, b) => a - b);
const at = (q) => times[Math.floor(q * (times.length - 1))].toFixed(1);
console.log(`page-seal ${at(0.5)} ${at(0.1)} ${at(0.9)}`);
