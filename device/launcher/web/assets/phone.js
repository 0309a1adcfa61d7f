// The page's side of `tovalune-device web`: shows the frames the device pushes, turns clicks,
// drags, the wheel and keys into the device's taps, touches, scrolling and typing, and keeps the
// panel up to date.
'use strict';

const $ = (id) => document.getElementById(id);
const screenEl = $('screen');
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

// A finger on the screen. It taps when it lifts having moved less than TAP_SLOP; once further, the
// device gets the touch as it happens: where it touched down, its moves (at most one each frame
// of the page, the latest), and where it lifted, each dated, so that a list follows the finger
// and a flick runs on. A move waits while the one before is on its way, and only the latest goes
// then: a slow device gets fewer moves rather than a queue of old ones.
let finger = null;
function sendTouch(phase, point, time) {
  return act('/api/touch', { phase, x: point.x, y: point.y, t: time });
}
function flushMove(lifting) {
  const f = finger;
  if (!f || !f.pending || (f.inFlight && !lifting)) return;
  const { point, time } = f.pending;
  f.pending = null;
  f.inFlight = true;
  sendTouch('moved', point, time).then(() => {
    f.inFlight = false;
    if (finger === f) flushMove(false);
  });
}
screenEl.addEventListener('pointerdown', (event) => {
  if (event.button !== 0) return;
  screenEl.focus();
  screenEl.setPointerCapture(event.pointerId);
  finger = { id: event.pointerId, start: devicePoint(event), startTime: event.timeStamp, moving: false, pending: null, inFlight: false, frame: 0 };
  event.preventDefault();
});
screenEl.addEventListener('pointermove', (event) => {
  if (!finger || event.pointerId !== finger.id) return;
  const point = devicePoint(event);
  if (!finger.moving) {
    if (Math.hypot(point.x - finger.start.x, point.y - finger.start.y) < TAP_SLOP) return;
    finger.moving = true;
    sendTouch('began', finger.start, finger.startTime);
  }
  finger.pending = { point, time: event.timeStamp };
  if (!finger.frame) {
    finger.frame = requestAnimationFrame(() => {
      if (!finger) return;
      finger.frame = 0;
      flushMove(false);
    });
  }
});
function lift(event, phase) {
  if (!finger || event.pointerId !== finger.id) return;
  const done = finger;
  if (done.frame) cancelAnimationFrame(done.frame);
  const point = devicePoint(event);
  if (!done.moving) {
    finger = null;
    if (phase === 'ended' && Math.hypot(point.x - done.start.x, point.y - done.start.y) < TAP_SLOP) act('/api/tap', done.start);
    else if (phase === 'ended') act('/api/drag', { from: done.start, to: point });
    return;
  }
  flushMove(true);
  finger = null;
  sendTouch(phase, point, event.timeStamp);
}
screenEl.addEventListener('pointerup', (event) => lift(event, 'ended'));
screenEl.addEventListener('pointercancel', (event) => lift(event, 'cancelled'));

// The mouse wheel and a touchpad over the screen scroll the list under the pointer: the turns of
// one frame of the page go as one, in the device's points.
let wheel = null;
screenEl.addEventListener('wheel', (event) => {
  event.preventDefault();
  const r = screenEl.getBoundingClientRect();
  const scale = screenSize.width / r.width;
  const unit = event.deltaMode === 1 ? 40 : event.deltaMode === 2 ? r.height : 1;
  if (!wheel) {
    wheel = { point: devicePoint(event), dx: 0, dy: 0 };
    requestAnimationFrame(() => {
      const { point, dx, dy } = wheel;
      wheel = null;
      act('/api/scroll', { x: point.x, y: point.y, dx, dy });
    });
  }
  wheel.dx += event.deltaX * unit * scale;
  wheel.dy += event.deltaY * unit * scale;
}, { passive: false });

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

// A frame comes with its picture (a JPEG drawn at the width the page shows it). It is decoded
// off screen and then takes the place of the one shown, so that the screen never shows half a
// picture or a blank one; one that is decoded after a newer one is dropped.
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
  next.alt = '';
  next.draggable = false;
  next.src = frame.src || '/frame.jpg?n=' + frame.n;
  next.decode().then(() => {
    if (frame.n < shownFrame) return;
    shownFrame = frame.n;
    next.id = 'frame';
    $('frame').replaceWith(next);
    document.body.classList.add('has-frame');
    document.body.dataset.frame = frame.n;
  }, () => {});
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

// The screen's width on the page in the display's pixels: the device draws frames that wide.
function shownWidth() {
  return Math.round(screenEl.getBoundingClientRect().width * (window.devicePixelRatio || 1));
}

let events = null;
let listenedWidth = 0;
function listen() {
  if (events) {
    events.close();
    $('log').textContent = '';  // a new stream starts with the log lines kept
  }
  listenedWidth = shownWidth();
  events = new EventSource(listenedWidth > 0 ? '/events?width=' + listenedWidth : '/events');
  events.addEventListener('open', () => showMessage(''));
  events.addEventListener('error', () => showMessage('Connection to the device lost; trying again…'));
  events.addEventListener('frame', (e) => showFrame(JSON.parse(e.data)));
  events.addEventListener('status', (e) => showStatus(JSON.parse(e.data)));
  events.addEventListener('log', (e) => addLogLines(JSON.parse(e.data).lines));
}

// A window made much wider or narrower (or moved to a display of another density) asks for frames
// of its new width.
let resizing = 0;
window.addEventListener('resize', () => {
  clearTimeout(resizing);
  resizing = setTimeout(() => {
    const width = shownWidth();
    if (events && width > 0 && Math.abs(width - listenedWidth) > listenedWidth * 0.15) listen();
  }, 300);
});

fetch('/api/state')
  .then((r) => r.json())
  .then((state) => {
    if (state.screen) setScreenSize(state.screen.width, state.screen.height);
  })
  .catch(() => {})
  .finally(listen);
