// The Now playing card: what the player Vork follows plays (its picture,
// title, artists and name), a position bar that moves with the playback and
// seeks when let go, and a picker when there are several players. While the
// card shows a player, the media row drives that player rather than sending
// the PC's media keys (command).
import { TO_PAGE, TO_VORK } from './protocol.js';

const TICK_MS = 250;
const SEEK_GAP_MS = 300;  // a held arrow key changes the bar many times a second
const NO_LETTERS = '-';
// The letter in "playing"'s CAN for each button of the media row.
const CAN = { 'play-pause': 'p', next: 'n', previous: 'b' };
const SEEK = 's';
const STATUS = { playing: 'Playing', paused: 'Paused', stopped: 'Stopped' };

const whole = (text) => {
  const number = Number(text);
  return Number.isFinite(number) && number > 0 ? Math.round(number) : 0;
};

// "playing ID STATUS POSITION LENGTH CAN\tPLAYER\tTITLE\tARTISTS\tALBUM", or
// null for a bare "playing": no player.
export function parsePlaying(message) {
  const [head, player = '', title = '', artists = '', album = ''] = message.split('\t');
  const [, id, status, position, length, can = NO_LETTERS] = head.split(' ');
  if (!id) return null;
  return {
    id, status: STATUS[status] ? status : 'stopped', position: whole(position), length: whole(length),
    can: can === NO_LETTERS ? '' : can, player, title, artists, album,
  };
}

// "players ID\tNAME\tID\tNAME...": [{id, name}], in Vork's order.
export function parsePlayers(message) {
  const fields = message.slice(TO_PAGE.players.length + 1).split('\t');
  const players = [];
  for (let at = 0; at + 1 < fields.length; at += 2) {
    if (fields[at]) players.push({ id: fields[at], name: fields[at + 1] || fields[at] });
  }
  return players;
}

// "art DATA-URL": the picture, or '' for a bare "art" or anything but an image.
export function parseArt(message) {
  const url = message.slice(TO_PAGE.art.length + 1).trim();
  return url.startsWith('data:image/') ? url : '';
}

// m:ss, or h:mm:ss from an hour on.
export function formatTime(ms) {
  const seconds = Math.floor(Math.max(0, ms) / 1000);
  const [hours, minutes] = [Math.floor(seconds / 3600), Math.floor(seconds / 60) % 60];
  const ss = String(seconds % 60).padStart(2, '0');
  return hours > 0 ? `${hours}:${String(minutes).padStart(2, '0')}:${ss}` : `${Math.floor(seconds / 60)}:${ss}`;
}

// Where the playback is at `now`: POSITION was true when the message came
// (`at`), and a playing track has moved on since, but never past its end.
export function positionAt({ status, position, length, at }, now) {
  const where = position + (status === 'playing' ? Math.max(0, now - at) : 0);
  return length > 0 ? Math.min(where, length) : where;
}

// The message for a button of the media row while `playing` is shown; null:
// the PC's media key, as without the card.
export function playerCommand(word, playing) {
  const letter = CAN[word];
  return playing && letter && playing.can.includes(letter) ? `${TO_VORK.player} ${word}` : null;
}

// parts: the card's elements (see index.html); now(): the time in
// milliseconds, and timers, fixed only in tests.
export function startNowPlaying(parts, { send, now = () => performance.now(), timers = globalThis }) {
  const { card, cover, title, artists, playerName, status, bar, position, elapsed, length, pick, picker, said } = parts;
  let playing = null;     // parsePlaying's, with `at`: when it came
  let players = [];
  let art = '';
  let dragging = false;   // a finger or a key moves the bar: the playback does not
  let ticker = 0;
  let announced = '';
  let lastSeek = -Infinity;
  let seekTimer = 0;

  function receive(message) {
    const word = message.split(/[ \t]/, 1)[0];
    if (word === TO_PAGE.playing) showPlaying(parsePlaying(message));
    else if (word === TO_PAGE.art) art = parseArt(message);
    else if (word === TO_PAGE.players) players = parsePlayers(message);
    render();
  }

  function showPlaying(next) {
    playing = next && { ...next, at: now() };
    if (!playing) announced = '';
    else if (playing.title && `${playing.title}\t${playing.artists}` !== announced) {
      announced = `${playing.title}\t${playing.artists}`;
      said.textContent = `Now playing: ${playing.title}${playing.artists ? `, by ${playing.artists}` : ''}`;
    }
  }

  // While the link is down nothing is known; Vork tells it again on connecting.
  function linkUp(up) {
    if (up) return;
    timers.clearTimeout(seekTimer);
    playing = null;
    players = [];
    art = '';
    render();
  }

  function render() {
    card.hidden = !playing;
    timers.clearInterval(ticker);
    ticker = 0;
    if (!playing) return;
    title.textContent = playing.title || 'Unknown title';
    artists.textContent = playing.artists;
    artists.hidden = !playing.artists;
    playerName.textContent = playing.player;
    status.textContent = STATUS[playing.status];
    cover.hidden = !art;
    if (art && cover.src !== art) cover.src = art;
    cover.alt = `Cover of ${playing.album || playing.title || 'the track'}`;
    renderPicker();
    bar.hidden = playing.length === 0;
    position.max = String(playing.length);
    position.disabled = !playing.can.includes(SEEK);
    length.textContent = formatTime(playing.length);
    renderPosition();
    if (playing.status === 'playing' && playing.length > 0) ticker = timers.setInterval(renderPosition, TICK_MS);
  }

  function renderPicker() {
    const several = players.length > 1;
    pick.hidden = !several;
    playerName.hidden = several || !playing.player;
    if (!several) return;
    const shown = [...picker.options].map((option) => `${option.value}\t${option.text}`).join('\n');
    if (shown !== players.map(({ id, name }) => `${id}\t${name}`).join('\n')) {
      picker.replaceChildren(...players.map(({ id, name }) => new Option(name, id)));
    }
    picker.value = playing.id;
  }

  function renderPosition() {
    if (!playing) return;
    if (!dragging) position.value = String(Math.round(positionAt(playing, now())));
    showTime(Number(position.value));
  }

  // Only what changed: a screen reader on the bar hears no more than that.
  function showTime(ms) {
    const text = formatTime(ms);
    const spoken = `${text} of ${formatTime(playing.length)}`;
    position.style.setProperty('--done', `${playing.length > 0 ? (100 * ms) / playing.length : 0}%`);
    if (elapsed.textContent !== text) elapsed.textContent = text;
    if (position.getAttribute('aria-valuetext') !== spoken) position.setAttribute('aria-valuetext', spoken);
  }

  // At most one seek in a while; the last one always goes.
  function seek(ms) {
    timers.clearTimeout(seekTimer);
    const wait = lastSeek + SEEK_GAP_MS - now();
    if (wait > 0) {
      seekTimer = timers.setTimeout(() => seek(ms), wait);
      return;
    }
    lastSeek = now();
    send(`${TO_VORK.player} seek ${ms}`);
  }

  position.addEventListener('pointerdown', () => { dragging = true; });
  position.addEventListener('input', () => {
    dragging = true;
    if (playing) showTime(Number(position.value));
  });
  // A seek when the bar is let go, and the card goes on from there.
  position.addEventListener('change', () => {
    dragging = false;
    if (!playing) return;
    const ms = Math.round(Number(position.value));
    seek(ms);
    playing = { ...playing, position: ms, at: now() };
    renderPosition();
  });
  // The change comes after the lift, and a lift that moved nothing brings
  // none: the playback takes the bar back only once both have been heard.
  for (const type of ['pointerup', 'pointercancel']) {
    position.addEventListener(type, () => timers.setTimeout(() => {
      dragging = false;
      renderPosition();
    }, 0));
  }
  picker.addEventListener('change', () => send(`${TO_VORK.player} follow ${picker.value}`));
  // A picture the browser cannot show: the placeholder, until the next one.
  cover.addEventListener('error', () => {
    art = '';
    cover.hidden = true;
  });

  return { receive, linkUp, command: (word) => playerCommand(word, playing) };
}
