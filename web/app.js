// The koordin page: koordin itself, compiled to WebAssembly, run with the command lines a pilot
// would type, on files that exist only in the browser's memory.
'use strict';

const LABELS = {
  en: {
    tagline: 'turnpoints for the VP6 variometer', language: 'Language',
    dropHint: formats => `Drop a ${formats.length ? `${joined(formats.map(f => f.title), 'or')} ` : ''}file here, or`,
    choose: 'choose a file', example: 'open the example', choices: 'Choose',
    near: 'Near (turnpoint or lat,lon)', radius: 'Radius (km)', only: 'Only names (patterns)',
    exclude: 'Exclude names (patterns)', style: 'Styles', tasks: 'Tasks',
    encoding: 'Character set (KOORDIN)',
    inputEncoding: formats => `Character set (${otherCharsetTitles(formats).join(', ')})`,
    automatic: 'UTF-8, else Windows-1252',
    saveAs: 'Save as', download: 'Download', turnpoints: 'Turnpoints', routes: 'Routes',
    name: 'Name', latitude: 'Latitude', longitude: 'Longitude', altitude: 'Alt. m',
    frequency: 'Freq.', slot: 'Slot', distance: 'km', status: 'Status', points: 'Points',
    legendKept: 'kept', legendDropped: 'dropped', legendRoute: 'route',
    footer: 'Everything happens in this browser: the files are never sent anywhere.',
    kept: 'kept', dropped: 'dropped', loading: 'Starting koordin…',
    opened: (name, size) => `${name} (${size} bytes)`,
    summary: (kept, total, routes, allRoutes) =>
      `${kept} of ${total} turnpoints and ${routes} of ${allRoutes} routes go into the KOORDIN file.`,
    unknownFormat: (name, formats) => `${name}: not a file koordin reads. Use ${joined(dotted(formats), 'or')}.`,
    tooLarge: (name, limit) => `${name}: too large: this page reads files of up to ${limit} MB.`,
    failed: 'koordin stopped unexpectedly; reload the page.',
    written: name => `${name} saved.`,
    moreRows: count => `… and ${count} more`,
    reading: name => `Reading ${name}…`,
  },
  de: {
    tagline: 'Wendepunkte für das Variometer VP6', language: 'Sprache',
    dropHint: formats => `${joined(formats.map(f => `${f.title}-`), 'oder')}Datei hier ablegen, oder`,
    choose: 'Datei wählen', example: 'Beispiel öffnen', choices: 'Auswahl',
    near: 'Nahe bei (Wendepunkt oder Breite,Länge)', radius: 'Umkreis (km)',
    only: 'Nur Namen (Muster)', exclude: 'Namen ausschließen (Muster)', style: 'Arten',
    tasks: 'Aufgaben', encoding: 'Zeichensatz (KOORDIN)',
    inputEncoding: formats => `Zeichensatz (${otherCharsetTitles(formats).join(', ')})`,
    automatic: 'UTF-8, sonst Windows-1252', saveAs: 'Speichern als',
    download: 'Herunterladen',
    turnpoints: 'Wendepunkte', routes: 'Strecken', name: 'Name', latitude: 'Breite',
    longitude: 'Länge', altitude: 'Höhe m', frequency: 'Frequenz', slot: 'Platz', distance: 'km',
    status: 'Status', points: 'Punkte', legendKept: 'übernommen', legendDropped: 'weggelassen',
    legendRoute: 'Strecke',
    footer: 'Alles geschieht in diesem Browser: die Dateien werden nirgendwohin gesendet.',
    kept: 'übernommen', dropped: 'weggelassen', loading: 'koordin startet…',
    opened: (name, size) => `${name} (${size} Bytes)`,
    summary: (kept, total, routes, allRoutes) =>
      `${kept} von ${total} Wendepunkten und ${routes} von ${allRoutes} Strecken kommen in die KOORDIN-Datei.`,
    unknownFormat: (name, formats) => `${name}: keine Datei, die koordin liest. Bitte ${joined(dotted(formats), 'oder')}.`,
    tooLarge: (name, limit) => `${name}: zu groß: diese Seite liest Dateien bis ${limit} MB.`,
    failed: 'koordin ist unerwartet stehen geblieben; bitte die Seite neu laden.',
    written: name => `${name} gespeichert.`,
    moreRows: count => `… und ${count} weitere`,
    reading: name => `${name} wird gelesen…`,
  },
};

// `words` with ", " between them and `last` before the last one.
function joined(words, last) {
  return words.length < 2 ? words.join('') : `${words.slice(0, -1).join(', ')} ${last} ${words.at(-1)}`;
}

// The extensions of the formats, each with its dot.
function dotted(formats) {
  return formats.flatMap(f => f.extensions.map(e => `.${e}`));
}

// The titles of the formats whose character set the pilot may name (--input-encoding).
function otherCharsetTitles(formats) {
  return formats.filter(f => f.otherCharsets).map(f => f.title);
}

// The largest file the page takes: koordin runs in the page's own thread and plans a megabyte of
// CUP in about half a second, on every change of a choice; some 40000 waypoints fit in 4 MB.
// Larger files are refused before reading.
const MAX_MEGABYTES = 4;
// koordin works in this folder of its in-memory file system, so that its messages name the files
// as the pilot knows them.
const WORK = '/work';
const OUT = '/out';  // what koordin writes, apart from the pilot's files
const PLANNED = `${OUT}/plan.lst`;  // the target of the plan, never written
const $ = id => document.getElementById(id);

const state = {
  language: 'en', engine: null, formats: [], opened: null, input: null, listing: null, plan: null,
};

function text(key, ...args) {
  const entry = LABELS[state.language][key];
  return typeof entry === 'function' ? entry(...args) : entry;
}

// koordin, started once; run() calls its main with a command line and collects what it printed.
async function startEngine() {
  const lines = { out: [], err: [] };
  const module = await createKoordin({
    thisProgram: 'koordin',
    print: line => lines.out.push(line),
    printErr: line => lines.err.push(line),
  });
  module.FS.mkdir(WORK);
  module.FS.chdir(WORK);
  module.FS.mkdir(OUT);
  const run = args => {
    lines.out = [];
    lines.err = [];
    let status;
    try {
      status = module.callMain(args);
    } catch (error) {
      status = typeof error === 'object' && error && 'status' in error ? error.status : -1;
      if (status === -1) lines.err.push(text('failed'));
    }
    // The runtime stays alive between calls, so nothing flushes a last line without its line end.
    module._fflush(0);
    for (const descriptor of [1, 2]) {
      const stream = module.FS.getStream(descriptor);
      if (stream && stream.stream_ops.flush) stream.stream_ops.flush(stream);
    }
    return { status, out: lines.out.join('\n'), err: lines.err };
  };
  return { module, run };
}

// koordin's format table: the files the page opens and the formats it saves.
function takeFormats() {
  state.formats = JSON.parse(state.engine.run(['formats', '--format', 'json']).out).formats;
  $('file').accept = dotted(state.formats).join(',');
  $('target').replaceChildren(...state.formats.map(f => new Option(`${f.title} (.${f.extensions[0]})`, f.extensions[0])));
}

// The format of the table that takes files with this extension.
function formatOf(extension) {
  return state.formats.find(f => f.extensions.includes(extension));
}

function showMessage(message) {
  $('message').textContent = message;
  $('message').hidden = !message;
}

function extensionOf(name) {
  const dot = name.lastIndexOf('.');
  return dot < 0 ? '' : name.slice(dot + 1).toLowerCase();
}

function baseName(name) {
  const dot = name.lastIndexOf('.');
  return dot <= 0 ? name : name.slice(0, dot);
}

function removeWorkFiles() {
  const fs = state.engine.module.FS;
  for (const entry of fs.readdir(WORK)) {
    if (entry !== '.' && entry !== '..') fs.unlink(entry);
  }
}

// Takes a file's bytes into koordin's memory and lists it; one message when it cannot be read.
function openFile(name, bytes) {
  state.input = state.listing = state.plan = null;
  state.opened = { name, bytes };
  showMessage('');
  $('source').textContent = text('opened', name, bytes.length);
  const format = formatOf(extensionOf(name));
  if (!format) return fail(text('unknownFormat', name, state.formats));
  removeWorkFiles();
  // A plain file name, never read as an option.
  const safeName = name.replace(/[\/\\]/g, '_').replace(/^-/, '_');
  const path = safeName;
  try {
    state.engine.module.FS.writeFile(path, bytes);
  } catch (error) {  // more than koordin's memory can take
    return fail(`${name}: ${error.message ?? error}`);
  }
  const listed = state.engine.run([...encodingArguments(), 'dump', '--format', 'json', path]);
  if (listed.status !== 0) return fail(listed.err.join('\n'));
  state.input = { name, path };
  $('input-encoding').disabled = !format.otherCharsets;
  state.listing = JSON.parse(listed.out);
  $('names').replaceChildren(...state.listing.turnpoints.map(t => new Option(t.name)));
  for (const id of ['choices', 'result', 'map', 'tables']) $(id).hidden = false;
  replan();
  return true;
}

function fail(message) {
  showMessage(message);
  for (const id of ['choices', 'result', 'map', 'tables']) $(id).hidden = true;
  return false;
}

// The choices as convert's options, each value joined to its option so that none is read as one.
function choiceArguments() {
  const args = [];
  for (const input of document.querySelectorAll('[data-option]')) {
    const value = input.value.trim();
    if (!value || input.disabled) continue;
    const values = 'list' in input.dataset ? value.split(',').map(v => v.trim()).filter(Boolean) : [value];
    for (const v of values) args.push(`${input.dataset.option}=${v}`);
  }
  return args;
}

// The KOORDIN file's character set, for reading and writing one.
function encodingArguments() {
  return ['--encoding', $('encoding').value];
}

// koordin's plan for the KOORDIN file with the current choices: what is kept, what is dropped and
// why, every warning.
function makePlan() {
  const result = state.engine.run([...encodingArguments(), 'convert', state.input.path, PLANNED,
    ...choiceArguments(), '--dry-run', '--plan-format=json']);
  if (result.status !== 0 && !result.out) return { error: result.err.join('\n') };
  try {
    return JSON.parse(result.out);
  } catch (error) {
    return { error: `koordin's plan: ${error.message}` };
  }
}

let replanTimer = null;
function replanSoon() {
  clearTimeout(replanTimer);
  replanTimer = setTimeout(replan, 250);
}

function replan() {
  if (!state.input) return;
  const plan = makePlan();
  if (plan.error) {
    showMessage(plan.error);
    return;
  }
  showMessage('');
  state.plan = plan;
  render();
}

// A warning without the name of the page's own scratch file, which means nothing to the pilot.
function inWords(warning) {
  const scratch = `${PLANNED}: warning: `;
  return warning.startsWith(scratch) ? warning.slice(scratch.length) : warning;
}

function render() {
  const plan = state.plan;
  if (!plan) return;
  const kept = plan.turnpoints.filter(t => t.kept).length;
  const keptRoutes = plan.routes.filter(r => r.kept).length;
  $('summary').textContent = text('summary', kept, plan.turnpoints.length, keptRoutes, plan.routes.length);
  $('warnings').replaceChildren(...plan.warnings.map(w => Object.assign(document.createElement('li'), { textContent: inWords(w) })));
  renderTables(plan);
  drawPlot($('plot'), plan, state.listing, radiusCircle());
  document.body.dataset.planned = String(Date.now());
}

// The place and radius chosen, when koordin chooses by them and the place is a turnpoint of the
// file or "latitude,longitude".
function radiusCircle() {
  const radiusKm = Number($('radius').value);
  const place = $('near').value.trim();
  if (!place || !(radiusKm > 0)) return null;
  const named = state.listing.turnpoints.find(t => t.name === place);
  if (named) return { latitude: named.latitude, longitude: named.longitude, radiusKm };
  const [latitude, longitude] = place.split(',').map(Number);
  return Number.isFinite(latitude) && Number.isFinite(longitude) ? { latitude, longitude, radiusKm } : null;
}

function cell(value) {
  return Object.assign(document.createElement('td'), { textContent: value ?? '' });
}

function status(entry) {
  return entry.kept ? text('kept') : `${text('dropped')}: ${entry.reason ?? ''}`;
}

// Rows beyond these would only slow the page down; the summary counts them all.
const MAX_ROWS = 1000;

function renderTables(plan) {
  const shown = plan.turnpoints.slice(0, MAX_ROWS);
  const more = plan.turnpoints.length - shown.length;
  $('turnpoints').tBodies[0].replaceChildren(...shown.map(entry => {
    const listed = state.listing.turnpoints[entry.source - 1] ?? {};
    const row = document.createElement('tr');
    row.className = entry.kept ? 'kept' : 'dropped';
    row.append(cell(entry.source), cell(entry.name), cell(listed.latitude_dms), cell(listed.longitude_dms),
      cell(listed.altitude), cell(listed.frequency), cell(entry.slot),
      cell(entry.distanceKm == null ? '' : entry.distanceKm.toFixed(1)), cell(status(entry)));
    return row;
  }));
  if (more > 0) {
    const row = $('turnpoints').tBodies[0].insertRow();
    const note = cell(text('moreRows', more));
    note.colSpan = 9;
    row.append(note);
  }
  $('routes').tBodies[0].replaceChildren(...plan.routes.map(entry => {
    const listed = state.listing.routes[entry.source - 1] ?? { points: [] };
    const row = document.createElement('tr');
    row.className = entry.kept ? 'kept' : 'dropped';
    row.append(cell(entry.source), cell(entry.name), cell(listed.points.filter(Boolean).join(' › ')),
      cell(entry.slot), cell(status(entry)));
    return row;
  }));
}

// Converts with the current choices and hands the file to the browser's download; nothing is
// offered when koordin fails.
function download() {
  if (!state.input) return;
  const extension = $('target').value;
  const name = `${baseName(state.input.name)}.${extension}`;
  const path = `${OUT}/out.${extension}`;
  const result = state.engine.run([...encodingArguments(), 'convert', state.input.path, path, ...choiceArguments()]);
  const fs = state.engine.module.FS;
  if (result.status !== 0) {
    if (fs.analyzePath(path).exists) fs.unlink(path);
    showMessage(result.err.join('\n'));
    return;
  }
  const bytes = fs.readFile(path);
  fs.unlink(path);
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  $('source').textContent = text('written', name);
}

function applyLanguage(language) {
  state.language = LABELS[language] ? language : 'en';
  document.documentElement.lang = state.language;
  $('language').value = state.language;
  for (const element of document.querySelectorAll('[data-i18n]')) {
    element.textContent = text(element.dataset.i18n, state.formats);
  }
  render();
}

async function readChosen(file) {
  if (!file) return;
  if (file.size > MAX_MEGABYTES * 1024 * 1024) {
    state.opened = null;
    fail(text('tooLarge', file.name, MAX_MEGABYTES));
    return;
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (error) {  // e.g. more than the browser will hold
    fail(`${file.name}: ${error.message}`);
    return;
  }
  // Shows that koordin is at work before it takes the page for a moment.
  $('source').textContent = text('reading', file.name);
  await new Promise(resolve => requestAnimationFrame(() => setTimeout(resolve)));
  openFile(file.name, bytes);
}

async function main() {
  applyLanguage((navigator.language || 'en').slice(0, 2));
  $('source').textContent = text('loading');
  state.engine = await startEngine();
  takeFormats();
  for (const input of document.querySelectorAll('[data-option]')) {
    for (const event of ['input', 'change']) input.addEventListener(event, replanSoon);
  }
  applyLanguage(state.language);
  $('source').textContent = '';
  $('language').addEventListener('change', event => applyLanguage(event.target.value));
  $('file').addEventListener('change', event => readChosen(event.target.files[0]));
  $('example').addEventListener('click', () =>
    openFile(KOORDIN_EXAMPLE.name, Uint8Array.from(atob(KOORDIN_EXAMPLE.base64), c => c.charCodeAt(0))));
  $('download').addEventListener('click', download);
  $('encoding').addEventListener('change', () => state.opened && openFile(state.opened.name, state.opened.bytes));
  const drop = $('drop');
  drop.addEventListener('dragover', event => { event.preventDefault(); drop.classList.add('over'); });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', event => {
    event.preventDefault();
    drop.classList.remove('over');
    readChosen(event.dataTransfer.files[0]);
  });
  document.body.dataset.ready = 'true';
}

main();
