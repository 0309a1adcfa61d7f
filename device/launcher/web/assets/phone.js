// The page's side of `tovalune-device web`: shows the frames the device pushes, turns clicks,
// drags and keys into the device's taps, swipes and typing, and keeps the panel up to date.
'use strict';

const $ = (id) => document.getElementById(id);
const screenEl = $('screen');
const frameEl = $('frame');
let screenSize = { width: 390, height: 844 };
const MAX_LOG_LINES = 600;
// A finger that moves less than this many points taps.
const TAP_SLOP = 10;

function showMessage(text) {
  $('message').textContent = text || '';
}

// Actions go to the device one after another, in the order they were made.
let queue = Promise.resolve();
function act(path, body) {
  queue = queue.then(async () => {
    try {
      const response = await fetch(path, {
        method: 'POST',
        headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify(body),
      });
      const reply = await response.json().catch(() => ({ ok: false, error: response.statusText }));
      showMessage(response.ok && reply.ok ? '' : reply.error || 'HTTP ' + response.status);
    } catch (e) {
      showMessage('The device did not answer: ' + e.message);
    }
  });
  return queue;
}

// ---- The screen ----

function setScreenSize(width, height) {
  if (!(width > 0 && height > 0)) return;
  screenSize = { width, height };
  document.documentElement.style.setProperty('--aspect', width + ' / ' + height);
}

function devicePoint(event) {
  const r = screenEl.getBoundingClientRect();
  const x = ((event.clientX - r.left) / r.width) * screenSize.width;
  const y = ((event.clientY - r.top) / r.height) * screenSize.height;
  return {
    x: Math.min(Math.max(x, 0), screenSize.width - 0.01),
    y: Math.min(Math.max(y, 0), screenSize.height - 0.01),
  };
}

let touchStart = null;
screenEl.addEventListener('pointerdown', (event) => {
  if (event.button !== 0) return;
  screenEl.focus();
  screenEl.setPointerCapture(event.pointerId);
  touchStart = devicePoint(event);
  event.preventDefault();
});
screenEl.addEventListener('pointerup', (event) => {
  if (!touchStart) return;
  const from = touchStart;
  const to = devicePoint(event);
  touchStart = null;
  if (Math.hypot(to.x - from.x, to.y - from.y) < TAP_SLOP) act('/api/tap', from);
  else act('/api/drag', { from, to });
});
screenEl.addEventListener('pointercancel', () => {
  touchStart = null;
});

// Keys typed while the screen has the focus go to the text field being edited.
screenEl.addEventListener('keydown', (event) => {
  if (event.ctrlKey || event.metaKey || event.altKey) return;
  let key = null;
  if (event.key === 'Backspace' || event.key === 'Enter') key = event.key;
  else if (event.key.length === 1 || [...event.key].length === 1) key = event.key;
  if (key === null) return;
  event.preventDefault();
  act('/api/key', { key });
});

let shownFrame = 0;
function showFrame(frame) {
  document.body.classList.toggle('display-off', !frame.displayOn);
  document.body.dataset.front = frame.screen;
  document.body.dataset.display = frame.displayOn ? 'on' : 'off';
  if (!frame.displayOn) {
    document.body.dataset.frame = frame.n;
    return;
  }
  const next = new Image();
  next.onload = () => {
    if (frame.n < shownFrame) return;  // a newer one arrived first
    shownFrame = frame.n;
    frameEl.src = next.src;
    document.body.classList.add('has-frame');
    document.body.dataset.frame = frame.n;
  };
  next.src = '/screen.png?n=' + frame.n;
}

// ---- The panel ----

function text(id, value) {
  $(id).textContent = value;
}

const thumbHashes = { lock: null, home: null };
function showThumb(screen, wallpaper) {
  const hash = wallpaper && wallpaper.readable ? wallpaper.hash : '';
  if (thumbHashes[screen] === hash) return;
  thumbHashes[screen] = hash;
  const img = $('thumb-' + screen);
  if (hash) img.src = '/wallpaper/' + screen + '.png?h=' + encodeURIComponent(hash);
  else img.removeAttribute('src');
  img.parentElement.classList.toggle('empty', !hash);
  img.dataset.hash = hash;
}

function showPreferences(prefs) {
  const body = $('prefs');
  body.replaceChildren();
  if (!prefs) {
    const row = body.insertRow();
    row.insertCell().textContent = 'none yet (or the file is not readable)';
    return;
  }
  for (const key of Object.keys(prefs).sort()) {
    const row = body.insertRow();
    row.insertCell().textContent = key;
    const value = prefs[key];
    row.insertCell().textContent = typeof value === 'string' ? value : JSON.stringify(value);
  }
}

function showStatus(status) {
  if (status.screen) setScreenSize(status.screen.width, status.screen.height);
  text('status-engine', status.springBoardRunning ? (status.engineLoaded ? 'loaded' : 'not loaded') : 'SpringBoard is not running');
  text('status-display', status.displayOn === false ? 'off' : 'on');
  text('status-front', { lock: 'Lock screen', home: 'Home screen', settings: 'Settings' }[status.front] || '–');
  text('status-store', status.storePictures + (status.storePictures === 1 ? ' picture' : ' pictures'));
  text('device-clock', status.clock || '–');
  const wallpapers = status.wallpapers || {};
  showThumb('lock', wallpapers.lock);
  showThumb('home', wallpapers.home);
  for (const radio of document.querySelectorAll('input[name=network]')) radio.checked = radio.value === status.network;
  showPreferences(status.preferences);
}

function addLogLines(lines) {
  const log = $('log');
  const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
  const kept = (log.textContent ? log.textContent.split('\n') : []).concat(lines);
  log.textContent = kept.slice(-MAX_LOG_LINES).join('\n');
  if (atEnd) log.scrollTop = log.scrollHeight;
}

$('side-button').addEventListener('click', () => act('/api/button', { name: 'side' }));
$('side-key').addEventListener('click', () => act('/api/button', { name: 'side' }));
$('home-button').addEventListener('click', () => act('/api/button', { name: 'home' }));
$('clock-form').addEventListener('submit', (event) => {
  event.preventDefault();
  act('/api/clock', { time: $('clock-time').value });
});
$('clock-plus-hour').addEventListener('click', () => act('/api/clock', { advance: 3600 }));
for (const radio of document.querySelectorAll('input[name=network]'))
  radio.addEventListener('change', () => act('/api/network', { kind: radio.value }));

// ---- The device's events ----

function listen() {
  const events = new EventSource('/events');
  events.addEventListener('open', () => showMessage(''));
  events.addEventListener('error', () => showMessage('Connection to the device lost; trying again…'));
  events.addEventListener('frame', (e) => showFrame(JSON.parse(e.data)));
  events.addEventListener('status', (e) => showStatus(JSON.parse(e.data)));
  events.addEventListener('log', (e) => addLogLines(JSON.parse(e.data).lines));
}

fetch('/api/state')
  .then((r) => r.json())
  .then((state) => {
    if (state.screen) setScreenSize(state.screen.width, state.screen.height);
  })
  .catch(() => {})
  .finally(listen);
