// The koordin page: koordin itself, compiled to WebAssembly and run in a Web Worker with the
// command lines a pilot would type, on files that exist only in the browser's memory.
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
    name: 'Name', code: 'Code', latitude: 'Latitude', longitude: 'Longitude', altitude: 'Alt. m',
    frequency: 'Freq.', slot: 'Slot', distance: 'km', status: 'Status', points: 'Points',
    styleColumn: 'Style', filter: 'Filter', filterHint: 'name or code',
    showEach: 'show each', fit: 'Show', fitKept: 'the kept points', fitAll: 'every point',
    legendKept: 'kept', legendDropped: 'dropped', legendRoute: 'route',
    footer: 'Everything happens in this browser: the files are never sent anywhere. ' +
      'Coastlines and borders: Natural Earth (public domain), through world-atlas.',
    kept: 'kept', dropped: 'dropped', loading: 'Starting koordin…',
    opened: (name, size) => `${name} (${size} bytes)`,
    afresh: charset => `; choices start afresh, the KOORDIN character set stays ${charset}`,
    summary: (kept, total, routes, allRoutes) =>
      `${kept} of ${total} turnpoints and ${routes} of ${allRoutes} routes go into the KOORDIN file.`,
    noPlan: 'No plan for these choices yet: see the hint above.',
    rowsShown: (shown, total) => (shown === total ? `${total} rows` : `${shown} of ${total} rows`),
    chooseNear: (count, slots) =>
      `This file holds ${count} waypoints and the KOORDIN file ${slots}: type a place under Near ` +
      'to keep those around it, the landing places first.',
    lacking: (names, characters, charset) =>
      `${names} names have characters that ${charset} lacks (${characters}); they become * in the KOORDIN file.`,
    holder: charset => `Use ${charset}, which holds them`,
    byContent: title => `, read as ${title} (by its content)`,
    tooLarge: (name, limit) => `${name}: too large: this page reads files of up to ${limit} MB.`,
    failed: 'koordin stopped unexpectedly; reload the page.',
    written: (name, summary) => `${name} saved${summary ? `: ${summary}` : ''}.`,
    reading: name => `Reading ${name}…`,
    styles: ['unknown', 'waypoint', 'grass airfield', 'outlanding', 'gliding airfield', 'solid airfield',
      'mountain pass', 'mountain top', 'mast', 'VOR', 'NDB', 'cooling tower', 'dam', 'tunnel',
      'bridge', 'power plant', 'castle', 'intersection', 'marker', 'reporting point',
      'paraglider takeoff', 'paraglider landing'],
    reasons: [],
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
    turnpoints: 'Wendepunkte', routes: 'Strecken', name: 'Name', code: 'Kürzel', latitude: 'Breite',
    longitude: 'Länge', altitude: 'Höhe m', frequency: 'Frequenz', slot: 'Platz', distance: 'km',
    status: 'Status', points: 'Punkte', styleColumn: 'Art', filter: 'Filter',
    filterHint: 'Name oder Kürzel', showEach: 'jede einzeln', fit: 'Zeigen',
    fitKept: 'die übernommenen Punkte', fitAll: 'alle Punkte',
    legendKept: 'übernommen', legendDropped: 'weggelassen', legendRoute: 'Strecke',
    footer: 'Alles geschieht in diesem Browser: die Dateien werden nirgendwohin gesendet. ' +
      'Küsten und Grenzen: Natural Earth (gemeinfrei), über world-atlas.',
    kept: 'übernommen', dropped: 'weggelassen', loading: 'koordin startet…',
    opened: (name, size) => `${name} (${size} Bytes)`,
    afresh: charset => `; die Auswahl beginnt neu, der KOORDIN-Zeichensatz bleibt ${charset}`,
    summary: (kept, total, routes, allRoutes) =>
      `${kept} von ${total} Wendepunkten und ${routes} von ${allRoutes} Strecken kommen in die KOORDIN-Datei.`,
    noPlan: 'Für diese Auswahl gibt es noch keinen Plan: siehe den Hinweis oben.',
    rowsShown: (shown, total) => (shown === total ? `${total} Zeilen` : `${shown} von ${total} Zeilen`),
    chooseNear: (count, slots) =>
      `Diese Datei hat ${count} Wegpunkte, die KOORDIN-Datei nimmt ${slots}: unter „Nahe bei“ einen ` +
      'Ort eingeben, um die Punkte um ihn herum zu behalten, Landeplätze zuerst.',
    lacking: (names, characters, charset) =>
      `${names} Namen haben Zeichen, die ${charset} nicht kennt (${characters}); sie werden in der KOORDIN-Datei zu *.`,
    holder: charset => `${charset} nehmen, der sie kennt`,
    byContent: title => `, als ${title} gelesen (am Inhalt erkannt)`,
    tooLarge: (name, limit) => `${name}: zu groß: diese Seite liest Dateien bis ${limit} MB.`,
    failed: 'koordin ist unerwartet stehen geblieben; bitte die Seite neu laden.',
    written: (name, summary) => `${name} gespeichert${summary ? `: ${summary}` : ''}.`,
    reading: name => `${name} wird gelesen…`,
    styles: ['unbekannt', 'Wegpunkt', 'Graspiste', 'Außenlandefeld', 'Segelfluggelände', 'Flugplatz, feste Piste',
      'Pass', 'Berggipfel', 'Mast', 'VOR', 'NDB', 'Kühlturm', 'Staudamm', 'Tunnel', 'Brücke',
      'Kraftwerk', 'Burg', 'Kreuzung', 'Markierung', 'Meldepunkt', 'Gleitschirm-Startplatz',
      'Gleitschirm-Landeplatz'],
    // koordin's reasons for a drop, in German; one it has not yet said stays as koordin says it.
    reasons: [
      [/^no name$/, () => 'ohne Namen'],
      [/^not matched by --only$/, () => 'nicht unter „Nur Namen“'],
      [/^excluded by --exclude$/, () => 'unter „Namen ausschließen“'],
      [/^style (\d+) not chosen by --style$/, style => `Art ${style} nicht gewählt`],
      [/^outside (.+) km$/, km => `außerhalb ${km.replace('.', ',')} km`],
      [/^no slot left$/, () => 'kein Platz mehr frei'],
      [/^not chosen by --tasks$/, () => 'nicht unter „Aufgaben“'],
      [/^its turnpoints do not fit$/, () => 'ihre Wendepunkte passen nicht'],
    ],
  },
};

// `words` with ", " between them and `last` before the last one.
function joined(words, last) {
  return words.length < 2 ? words.join('') : `${words.slice(0, -1).join(', ')} ${last} ${words.at(-1)}`;
}

// The titles of the formats whose character set the pilot may name (--input-encoding).
function otherCharsetTitles(formats) {
  return formats.filter(f => f.otherCharsets).map(f => f.title);
}

// The largest file the page takes: koordin plans a megabyte of CUP (some 10000 waypoints) in
// about a tenth of a second, in its worker, on every change of a choice; some 40000 waypoints fit
// in 4 MB. Larger files are refused before reading.
const MAX_MEGABYTES = 4;
// koordin works in this folder of its in-memory file system, so that its messages name the files
// as the pilot knows them.
const OUT = '/out';  // what koordin writes, apart from the pilot's files
const PLANNED = `${OUT}/plan.lst`;  // the target of the plan, never written
const LISTED = `${OUT}/source.json`;  // the source as koordin reads it, in its JSON
const SLOTS = 255;  // turnpoints of a KOORDIN file
const SUGGESTIONS = 12;  // names offered for Near at a time
const STALE_AFTER_MS = 150;  // a plan under way this long dims what is shown
const $ = id => document.getElementById(id);

const state = {
  language: 'en', engine: null, formats: [], opened: null, input: null, listing: null, plan: null,
  format: null,  // the opened file's row of the table, once koordin has read it
  note: null,  // koordin's line that it told the format by the content, shown apart from the rest
  opening: 0,  // counts the files opened: what answers an earlier one is not shown
  planning: false, changedAt: null, staleSoon: null, refusal: null, koordinLines: [], rows: null,
  sort: { key: 'status', descending: false }, world: null, table: null, said: null,
};

function text(key, ...args) {
  const entry = LABELS[state.language][key];
  return typeof entry === 'function' ? entry(...args) : entry;
}

function number(count) {
  return count.toLocaleString(state.language === 'de' ? 'de-DE' : 'en-GB');
}

// A worker built from the text of its script, so that the page works opened from disk.
function workerOf(source) {
  return new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
}

// koordin, started once in its worker; run(request) answers as worker.js says.
function startEngine() {
  return new Promise((resolve, reject) => {
    const worker = workerOf(KOORDIN_WORKER);
    const waiting = new Map();
    let next = 1;
    const engine = {
      run: request => new Promise(answered => {
        const id = next++;
        waiting.set(id, answered);
        worker.postMessage({ ...request, id });
      }),
    };
    let names = [];  // of the last plan: the worker sends them when they change
    worker.onmessage = event => {
      const answer = event.data;
      if (answer.plan) {
        if (answer.plan.turnpoints.name) names = answer.plan.turnpoints.name;
        else answer.plan.turnpoints.name = names;
      }
      if ('ready' in answer) {
        if (answer.ready) resolve(engine);
        else reject(new Error(answer.error));
        return;
      }
      waiting.get(answer.id)?.(answer);
      waiting.delete(answer.id);
    };
    worker.onerror = event => {
      event.preventDefault();
      for (const answered of waiting.values()) answered({ status: -1, out: '', err: [] });
      waiting.clear();
      reject(new Error(event.message));
    };
  });
}

// Natural Earth's lines, made ready for the map in a worker of their own.
function loadWorld() {
  if (typeof WORLD_TOPOLOGY === 'undefined') return;
  const worker = workerOf(MAP_WORKER);
  worker.onmessage = event => {
    state.world = event.data;
    worker.terminate();
    drawMap();
  };
  worker.postMessage(WORLD_TOPOLOGY);
}

// The line under the file's name, in the language chosen, now and after a change of language.
function say(words) {
  state.said = words;
  $('source').textContent = words();
}

// koordin's format table: the files the page opens and the formats it saves (those it writes).
async function takeFormats() {
  const answer = await state.engine.run({ args: ['formats', '--format', 'json'] });
  state.formats = JSON.parse(answer.out).formats;
  $('target').replaceChildren(...state.formats.filter(f => f.writes)
    .map(f => new Option(`${f.title} (.${f.extensions[0]})`, f.extensions[0])));
}

// The one format that the extension of `name` names, as koordin takes it when the content does
// not say otherwise.
function formatNamed(name) {
  const extension = extensionOf(name);
  const named = state.formats.filter(f => f.extensions.includes(extension));
  return named.length === 1 ? named[0] : null;
}

// koordin's note that it told a source's format by its content, and the format: koordin says
// "NAME: read as TITLE (by its content)".
function noteOf(lines) {
  for (const line of lines) {
    const format = state.formats.find(f => line.endsWith(`: read as ${f.title} (by its content)`));
    if (format) return { line, format };
  }
  return null;
}

// What koordin said, without the note on the format, which the page shows with the file's name.
function apartFromNote(lines) {
  return lines.filter(line => line !== state.note);
}

function showMessage(message) {
  $('message').textContent = message;
  $('message').hidden = !message;
}

// What koordin said when it failed, or the page's word when it broke down.
function failureOf(answer) {
  const lines = apartFromNote(answer.err).join('\n');
  return answer.status === -1 ? [text('failed'), lines].filter(Boolean).join('\n') : lines;
}

function extensionOf(name) {
  const dot = name.lastIndexOf('.');
  return dot < 0 ? '' : name.slice(dot + 1).toLowerCase();
}

function baseName(name) {
  const dot = name.lastIndexOf('.');
  return dot <= 0 ? name : name.slice(0, dot);
}

// Lower case without accents: "Łódź" is found as "lodz".
function searchable(textValue) {
  return textValue.normalize('NFD').replace(/[\u0300-\u036f]/g, '').replace(/ł/g, 'l').replace(/Ł/g, 'L').toLowerCase();
}

// The choices belong to the file: a new one starts with none.
function clearChoices() {
  for (const input of document.querySelectorAll('[data-option]')) input.value = '';
  $('show-each').checked = false;
  $('filter').value = '';
  $('fit').value = 'kept';
}

// Takes a file's bytes into koordin's memory and lists it; one message when it cannot be read.
// `sameFile` keeps the choices: the file is read anew in another character set.
async function openFile(name, bytes, sameFile = false) {
  const opening = ++state.opening;
  const hadFile = state.opened !== null;
  if (!sameFile) clearChoices();
  state.input = state.listing = state.plan = state.refusal = state.rows = null;
  if (!sameFile) state.format = state.note = null;
  state.opened = { name, bytes };
  showMessage('');
  // What was shown is not the plan of this file: gone, or dimmed while the file is read anew.
  if (sameFile) markStale(true);
  else render();
  const charset = $('encoding').value, afresh = hadFile && !sameFile;
  const opened = () => text('opened', name, number(bytes.length)) +
    (state.note ? text('byContent', state.format.title) : '') + (afresh ? text('afresh', charset) : '');
  say(opened);
  // A plain file name, never read as an option.
  const safeName = name.replace(/[\/\\]/g, '_').replace(/^-/, '_');
  const path = safeName;
  // koordin tells the format, by the extension or else by the content: a new file's character set
  // can be chosen once koordin has read it.
  $('input-encoding').disabled = !state.format?.otherCharsets;
  const listed = await state.engine.run({
    args: [...encodingArguments(), 'convert', path, LISTED, ...inputEncodingArguments()],
    clear: true, files: { [path]: bytes }, read: LISTED,
  });
  if (opening !== state.opening) return false;
  const note = noteOf(listed.err);
  state.note = note?.line ?? null;
  state.format = note?.format ?? formatNamed(name);
  $('input-encoding').disabled = !state.format?.otherCharsets;
  say(opened);
  if (listed.status !== 0) return fail(failureOf(listed));
  const listing = JSON.parse(new TextDecoder().decode(listed.bytes));
  listing.keys = listing.waypoints.map(w => searchable(`${w.name}\n${w.code ?? ''}`));
  state.listing = listing;
  state.input = { name, path };
  for (const id of ['choices', 'result', 'map', 'tables']) $(id).hidden = false;
  if (!sameFile) state.table.rewind();
  suggestPlaces();
  state.changedAt = null;
  replan();
  return true;
}

function fail(message) {
  showMessage(message);
  for (const id of ['choices', 'result', 'map', 'tables']) $(id).hidden = true;
  document.body.dataset.planned = String(Date.now());
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

function inputEncodingArguments() {
  const input = $('input-encoding');
  return input.value && !input.disabled ? [`--input-encoding=${input.value}`] : [];
}

// koordin's plan for the KOORDIN file with the current choices, as a command line.
function planArguments() {
  return [...encodingArguments(), 'convert', state.input.path, PLANNED, ...choiceArguments(),
    '--dry-run', '--plan-format=json', ...($('show-each').checked ? ['--verbose'] : [])];
}

function planKey() {
  return state.input ? `${state.opening}\n${planArguments().join('\n')}` : '';
}

// Plans anew for what the fields say. One plan is under way at a time; when the fields changed
// while it was, its answer is put aside and the fields are planned again, so that the plan shown
// is always the plan of the fields.
function replan() {
  if (!state.input) return;
  state.changedAt ??= performance.now();
  if (state.staleSoon === null) state.staleSoon = setTimeout(() => markStale(true), STALE_AFTER_MS);
  if (state.planning) return;
  const key = planKey();
  state.planning = true;
  state.engine.run({ args: planArguments(), plan: true }).then(answer => {
    state.planning = false;
    if (key !== planKey()) {
      replan();
      return;
    }
    showPlan(answer);
  });
}

// Dims what is shown while the plan of changed fields is under way, once it takes long enough to
// be seen; a quick plan changes nothing before it is shown.
function markStale(stale) {
  clearTimeout(state.staleSoon);
  state.staleSoon = null;
  for (const id of ['result', 'map', 'tables']) {
    if ($(id).classList.contains('stale') !== stale) $(id).classList.toggle('stale', stale);
  }
}

function showPlan(answer) {
  state.plan = state.refusal = null;
  state.koordinLines = [];
  showMessage('');
  if (answer.status === 0) {
    state.plan = composePlan(answer.plan);
    state.koordinLines = apartFromNote(answer.err);
  } else if (answer.status === 2) {
    // A choice koordin cannot follow, such as a name half typed: a hint, not a failure.
    state.refusal = apartFromNote(answer.err);
  } else {
    showMessage(failureOf(answer));
  }
  render();
  markStale(false);
  // How long the pilot waited: from the change to the plan painted, after the next frame.
  const changed = state.changedAt;
  state.changedAt = null;
  requestAnimationFrame(() => setTimeout(() => {
    document.body.dataset.planMs = (performance.now() - changed).toFixed(1);
    document.body.dataset.koordinMs = answer.ms?.toFixed(1) ?? '';
    document.body.dataset.mainMs = answer.mainMs?.toFixed(1) ?? '';
    document.body.dataset.planned = String(Date.now());
  }));
}

// The plan's turnpoints as rows, with what koordin read of each: one row for each waypoint of the
// file, made for its first plan and filled anew by each plan after it, so that a keystroke in a
// national file makes no thousands of new objects.
function composePlan(packed) {
  const { turnpoints } = packed;
  if (state.rows?.length !== turnpoints.count) {
    state.rows = Array.from({ length: turnpoints.count }, (_, i) => {
      const listed = state.listing.waypoints[i] ?? {};
      return {
        source: i + 1, code: listed.code ?? '', style: listed.style ?? 0, elevation: listed.elevation ?? null,
        frequency: listed.frequency ?? '', key: state.listing.keys[i] ?? '',
      };
    });
  }
  state.rows.forEach((row, i) => {
    row.name = turnpoints.name[i];
    row.kept = turnpoints.kept[i] === 1;
    row.slot = row.kept ? turnpoints.slot[i] : null;
    row.distanceKm = Number.isNaN(turnpoints.distanceKm[i]) ? null : turnpoints.distanceKm[i];
    row.reason = turnpoints.reasons[turnpoints.reason[i]];
    row.latitude = turnpoints.latitude[i];
    row.longitude = turnpoints.longitude[i];
  });
  return { rows: state.rows, routes: packed.routes };
}

// A warning without the name of the page's own scratch file, which means nothing to the pilot.
function inWords(warning) {
  const scratch = `${PLANNED}: warning: `;
  return warning.startsWith(scratch) ? warning.slice(scratch.length) : warning;
}

function listItem(content, className) {
  return Object.assign(document.createElement('li'), { textContent: content, className: className ?? '' });
}

function render() {
  renderHints();
  const plan = state.plan;
  $('download').disabled = !plan;
  if (!plan) {
    $('summary').textContent = state.refusal ? text('noPlan') : '';
    $('warnings').replaceChildren();
    renderTables();
    drawMap();
    return;
  }
  const kept = plan.rows.filter(t => t.kept).length;
  const keptRoutes = plan.routes.filter(r => r.kept).length;
  $('summary').textContent = text('summary', number(kept), number(plan.rows.length), keptRoutes, plan.routes.length);
  $('warnings').replaceChildren(...state.koordinLines.map(line => listItem(inWords(line))));
  renderTables();
  drawMap();
}

// What the pilot may do next: koordin's word on a choice it cannot follow, a place to choose in a
// file larger than the KOORDIN file, the character set that holds the names' letters.
function renderHints() {
  const hints = [];
  if (state.refusal) {
    for (const line of state.refusal) hints.push(listItem(line, 'refusal'));
  }
  const count = state.listing?.waypoints.length ?? 0;
  if (count > SLOTS && !$('near').value.trim()) hints.push(listItem(text('chooseNear', number(count), SLOTS), 'near'));
  if (state.plan) {
    const names = [...state.plan.rows.filter(t => t.kept).map(t => t.name),
      ...state.plan.routes.filter(r => r.kept).map(r => r.name)];
    const charset = $('encoding').value;
    const lacked = lackedCharacters(names, charset);
    if (lacked.names > 0) {
      const item = listItem(text('lacking', lacked.names, lacked.characters.slice(0, 12).join(' '), charset), 'charset');
      const holder = charsetHolding(lacked.characters);
      if (holder && holder !== charset) {
        const button = Object.assign(document.createElement('button'), { type: 'button', textContent: text('holder', holder) });
        button.dataset.charset = holder;
        button.addEventListener('click', () => {
          $('encoding').value = holder;
          reopen();
        });
        item.append(' ', button);
      }
      hints.push(item);
    }
  }
  $('hints').replaceChildren(...hints);
  $('hints').hidden = hints.length === 0;
}

function cell(value) {
  return Object.assign(document.createElement('td'), { textContent: value ?? '' });
}

function styleName(style) {
  return text('styles')[style] ?? String(style);
}

function reasonInWords(reason) {
  for (const [pattern, words] of text('reasons')) {
    const match = pattern.exec(reason);
    if (match) return words(...match.slice(1));
  }
  return reason;
}

function status(entry) {
  return entry.kept ? text('kept') : `${text('dropped')}: ${reasonInWords(entry.reason ?? '')}`;
}

// DD°MM'SS"N or DDD°MM'SS"E, as koordin lists coordinates.
function dms(degrees, latitude) {
  const total = Math.round(Math.abs(degrees) * 3600);
  const pad = (value, width) => String(value).padStart(width, '0');
  const hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  return `${pad(Math.floor(total / 3600), latitude ? 2 : 3)}°${pad(Math.floor(total / 60) % 60, 2)}'${pad(total % 60, 2)}"${hemisphere}`;
}

function distanceText(km) {
  if (km == null) return '';
  return state.language === 'de' ? km.toFixed(1).replace('.', ',') : km.toFixed(1);
}

const TURNPOINT_COLUMNS = 11;

function fillTurnpointRow(row, entry) {
  row.className = entry.kept ? 'kept' : 'dropped';
  row.dataset.source = entry.source;
  const values = [entry.source, entry.name, entry.code, styleName(entry.style), dms(entry.latitude, true),
    dms(entry.longitude, false), entry.elevation == null ? '' : Math.round(entry.elevation), entry.frequency,
    entry.slot, distanceText(entry.distanceKm), status(entry)];
  values.forEach((value, i) => setText(row.cells[i], value));
  const statusCell = row.cells[TURNPOINT_COLUMNS - 1];
  if (statusCell.title !== statusCell.textContent) statusCell.title = statusCell.textContent;
}

// Kept before dropped, the kept in slot order, the dropped nearest first, else in the file's order.
function byStatus(a, b) {
  if (a.kept !== b.kept) return a.kept ? -1 : 1;
  if (a.kept) return a.slot - b.slot;
  return (a.distanceKm ?? Infinity) - (b.distanceKm ?? Infinity) || a.source - b.source;
}

const SORTS = {
  source: (a, b) => a.source - b.source,
  name: (a, b) => collator().compare(a.name, b.name) || byStatus(a, b),
  style: (a, b) => collator().compare(styleName(a.style), styleName(b.style)) || byStatus(a, b),
  distance: (a, b) => (a.distanceKm ?? Infinity) - (b.distanceKm ?? Infinity) || byStatus(a, b),
  status: byStatus,
};

let collatorOf = null;
function collator() {
  if (collatorOf?.language !== state.language) {
    collatorOf = { language: state.language, compare: new Intl.Collator(state.language, { sensitivity: 'base', numeric: true }).compare };
  }
  return collatorOf;
}

function renderTables() {
  const plan = state.plan;
  const rows = plan ? plan.rows : [];
  const filter = searchable($('filter').value.trim());
  const shown = filter ? rows.filter(row => row.key.includes(filter)) : rows.slice();
  const { key, descending } = state.sort;
  shown.sort(SORTS[key]);
  if (descending) shown.reverse();
  for (const header of document.querySelectorAll('#turnpoints th[data-sort]')) {
    header.setAttribute('aria-sort', header.dataset.sort !== key ? 'none' : descending ? 'descending' : 'ascending');
  }
  $('rows-shown').textContent = plan ? text('rowsShown', number(shown.length), number(rows.length)) : '';
  state.table.setItems(shown);

  const routes = plan ? plan.routes.slice().sort(byStatus) : [];
  $('route-part').hidden = routes.length === 0;
  $('routes').tBodies[0].replaceChildren(...routes.map(entry => {
    const listed = state.listing?.tasks[entry.source - 1] ?? { points: [] };
    const row = document.createElement('tr');
    row.className = entry.kept ? 'kept' : 'dropped';
    row.append(cell(entry.source), cell(entry.name), cell(listed.points.filter(Boolean).join(' › ')),
      cell(entry.slot), cell(status(entry)));
    return row;
  }));
}

function sortBy(key) {
  state.sort = { key, descending: state.sort.key === key && !state.sort.descending };
  renderTables();
}

// The place and radius chosen, when koordin chose by them: the place is where the plan's distances
// are 0, else the position typed as "latitude,longitude".
function radiusCircle() {
  const radiusKm = Number($('radius').value);
  const place = $('near').value.trim();
  if (!state.plan || !place || !(radiusKm > 0)) return null;
  const at = state.plan.rows.find(t => t.distanceKm === 0);
  if (at) return { latitude: at.latitude, longitude: at.longitude, radiusKm };
  const [latitude, longitude] = place.split(',').map(Number);
  return Number.isFinite(latitude) && Number.isFinite(longitude) ? { latitude, longitude, radiusKm } : null;
}

function drawMap() {
  const plan = state.plan;
  if (!plan) {
    // No plan, no points: the land stays.
    for (const element of $('plot').querySelectorAll(':scope > :not(.coast, .border, .graticule, .graticule-label)')) {
      element.remove();
    }
    return;
  }
  const kept = plan.rows.filter(t => t.kept).sort((a, b) => a.slot - b.slot);
  const points = [...plan.rows.filter(t => !t.kept), ...kept];
  const byName = new Map();
  for (const t of plan.rows) if (!byName.has(t.name)) byName.set(t.name, [t.latitude, t.longitude]);
  const routes = plan.routes.map(route => ({
    kept: route.kept,
    points: (state.listing.tasks[route.source - 1]?.points ?? []).filter(Boolean).map(name => byName.get(name)).filter(Boolean),
  }));
  drawPlot($('plot'), { points, routes, around: radiusCircle(), fit: $('fit').value, world: state.world });
}

// Near: the file's names and codes that hold what is typed, the best first.
function suggestPlaces() {
  const typed = searchable($('near').value.trim());
  const options = [];
  if (typed && state.listing) {
    const found = [];
    state.listing.keys.forEach((key, i) => {
      const at = key.indexOf(typed);
      if (at < 0) return;
      const waypoint = state.listing.waypoints[i];
      const exactCode = searchable(waypoint.code ?? '') === typed;
      found.push({ waypoint, rank: exactCode ? 0 : at === 0 ? 1 : /\W/.test(key[at - 1] ?? '') ? 2 : 3 });
    });
    found.sort((a, b) => a.rank - b.rank || collator().compare(a.waypoint.name, b.waypoint.name));
    for (const { waypoint } of found.slice(0, SUGGESTIONS)) {
      const option = new Option('', waypoint.name);
      option.label = [waypoint.code, styleName(waypoint.style ?? 0)].filter(Boolean).join(' · ');
      options.push(option);
    }
  }
  $('names').replaceChildren(...options);
}

// Converts with the current choices and hands the file to the browser's download; nothing is
// offered when koordin fails.
async function download() {
  if (!state.input) return;
  const extension = $('target').value;
  const name = `${baseName(state.input.name)}.${extension}`;
  const path = `${OUT}/out.${extension}`;
  const answer = await state.engine.run({
    args: [...encodingArguments(), 'convert', state.input.path, path, ...choiceArguments()], read: path,
  });
  if (answer.status !== 0) {
    showMessage(failureOf(answer));
    return;
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([answer.bytes], { type: 'application/octet-stream' }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  // koordin's own summary of what it wrote, without the page's scratch name.
  const summary = answer.out.trim().split('\n').map(line => line.replace(`${path}: `, '')).join(' ');
  say(() => text('written', name, summary));
}

function applyLanguage(language) {
  state.language = LABELS[language] ? language : 'en';
  document.documentElement.lang = state.language;
  $('language').value = state.language;
  for (const element of document.querySelectorAll('[data-i18n]')) {
    element.textContent = text(element.dataset.i18n, state.formats);
  }
  for (const element of document.querySelectorAll('[data-i18n-placeholder]')) element.placeholder = text(element.dataset.i18nPlaceholder);
  if (state.said) say(state.said);
  render();
  suggestPlaces();
}

function reopen() {
  if (state.opened) openFile(state.opened.name, state.opened.bytes, true);
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
  say(() => text('reading', file.name));
  openFile(file.name, bytes);
}

async function main() {
  state.table = new VirtualTable($('turnpoint-box'), $('turnpoints'), TURNPOINT_COLUMNS, fillTurnpointRow);
  applyLanguage((navigator.language || 'en').slice(0, 2));
  say(() => text('loading'));
  loadWorld();
  try {
    state.engine = await startEngine();
    await takeFormats();
  } catch (error) {
    showMessage(`${text('failed')}\n${error.message}`);
    return;
  }
  for (const input of document.querySelectorAll('[data-option]')) {
    if (input.id === 'input-encoding') continue;
    for (const event of ['input', 'change']) input.addEventListener(event, replan);
  }
  $('near').addEventListener('input', suggestPlaces);
  $('show-each').addEventListener('change', replan);
  $('filter').addEventListener('input', renderTables);
  $('fit').addEventListener('change', drawMap);
  for (const header of document.querySelectorAll('#turnpoints th[data-sort]')) {
    header.addEventListener('click', () => sortBy(header.dataset.sort));
  }
  applyLanguage(state.language);
  say(() => '');
  $('language').addEventListener('change', event => applyLanguage(event.target.value));
  $('file').addEventListener('change', event => readChosen(event.target.files[0]));
  $('example').addEventListener('click', () =>
    openFile(KOORDIN_EXAMPLE.name, Uint8Array.from(atob(KOORDIN_EXAMPLE.base64), c => c.charCodeAt(0))));
  $('download').addEventListener('click', download);
  // A KOORDIN or CUP file is read anew in the set chosen; the choices stay.
  $('encoding').addEventListener('change', reopen);
  $('input-encoding').addEventListener('change', reopen);
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
