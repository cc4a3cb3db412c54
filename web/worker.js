// koordin in a Web Worker, behind createKoordin (koordin.js, joined before this file): the page's
// requests run one at a time off the page's thread, each a command line on koordin's in-memory
// files. A request: {id, args, files: {path: bytes}, clear, read, plan}; `clear` empties the work
// folder first, `read` names a file koordin writes, handed back and removed, `plan` says that the
// output is --plan-format json, handed back packed (see packed()). The answer: {id, status, out,
// err (lines), bytes, plan, mainMs (koordin's main), ms (all of it)}; status -1 when koordin broke
// down.
'use strict';

const WORK = '/work';
const OUT = '/out';  // what koordin writes, apart from the pilot's files

// What koordin writes to its standard output and error, as bytes, taken whole: the terminal
// emulation would hand it over a character at a time, and a national file's plan has a megabyte.
function capture(module) {
  const taken = { 1: [], 2: [] };
  for (const descriptor of [1, 2]) {
    const stream = module.FS.getStream(descriptor);
    stream.stream_ops = {
      ...stream.stream_ops,
      write: (_, buffer, offset, length) => {
        taken[descriptor].push(new Uint8Array(buffer.buffer, buffer.byteOffset + offset, length).slice());
        return length;
      },
      flush: () => {},
    };
  }
  const decoder = new TextDecoder();
  const text = descriptor => {
    const parts = taken[descriptor];
    const bytes = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    taken[descriptor] = [];
    return decoder.decode(bytes);
  };
  return { out: () => text(1), err: () => text(2) };
}

// The plan in arrays that cross to the page without copying each entry: a national file's plan
// has thousands. The names go only when they differ from those sent last, the reasons as numbers
// into a list of each reason once. The list of every warning is left out: the page shows
// koordin's standard error.
let namesSent = [];

function packed(text) {
  const plan = JSON.parse(text);
  const count = plan.turnpoints.length;
  const reasons = [null];
  const reasonNumbers = new Map([[null, 0]]);
  const turnpoints = {
    count,
    kept: new Uint8Array(count),
    slot: new Int32Array(count),
    distanceKm: new Float64Array(count),
    reason: new Uint16Array(count),
    reasons,
    latitude: new Float64Array(count),
    longitude: new Float64Array(count),
  };
  const names = new Array(count);
  let sameNames = count === namesSent.length;
  plan.turnpoints.forEach((entry, i) => {
    turnpoints.kept[i] = entry.kept ? 1 : 0;
    turnpoints.slot[i] = entry.slot ?? 0;
    turnpoints.distanceKm[i] = entry.distanceKm ?? NaN;
    if (!reasonNumbers.has(entry.reason)) {
      reasonNumbers.set(entry.reason, reasons.length);
      reasons.push(entry.reason);
    }
    turnpoints.reason[i] = reasonNumbers.get(entry.reason);
    turnpoints.latitude[i] = entry.latitude;
    turnpoints.longitude[i] = entry.longitude;
    names[i] = entry.name;
    sameNames &&= entry.name === namesSent[i];
  });
  if (!sameNames) {
    turnpoints.name = names;
    namesSent = names;
  }
  const buffers = [turnpoints.kept, turnpoints.slot, turnpoints.distanceKm, turnpoints.reason,
    turnpoints.latitude, turnpoints.longitude].map(array => array.buffer);
  return { plan: { target: plan.target, turnpoints, routes: plan.routes }, buffers };
}

let engine = null;

function run(request) {
  const { module, streams } = engine;
  const fs = module.FS;
  if (request.clear) {
    for (const entry of fs.readdir(WORK)) {
      if (entry !== '.' && entry !== '..') fs.unlink(`${WORK}/${entry}`);
    }
  }
  for (const [path, bytes] of Object.entries(request.files ?? {})) fs.writeFile(path, bytes);
  const started = performance.now();
  let status;
  try {
    status = module.callMain(request.args);
  } catch (error) {  // exit() ends main by throwing its status; anything else leaves koordin broken
    status = typeof error === 'object' && error && 'status' in error ? error.status : -1;
  }
  module._fflush(0);
  const answer = { id: request.id, status, out: streams.out(), mainMs: performance.now() - started, ms: 0 };
  answer.err = streams.err().split('\n').filter(line => line !== '');
  const transfer = [];
  if (request.read && fs.analyzePath(request.read).exists) {
    if (status === 0) {
      answer.bytes = fs.readFile(request.read);
      transfer.push(answer.bytes.buffer);
    }
    fs.unlink(request.read);
  }
  if (request.plan && status === 0) {
    try {
      const { plan, buffers } = packed(answer.out);
      answer.plan = plan;
      answer.out = '';
      transfer.push(...buffers);
    } catch (error) {
      answer.status = -1;
      answer.err.push(`koordin's plan: ${error.message}`);
    }
  }
  answer.ms = performance.now() - started;
  return { answer, transfer };
}

self.onmessage = event => {
  const request = event.data;
  if (!engine) {
    self.postMessage({ id: request.id, status: -1, out: '', err: [] });
    return;
  }
  let result;
  try {
    result = run(request);
  } catch (error) {  // e.g. a file larger than koordin's memory can take
    result = { answer: { id: request.id, status: -1, out: '', err: [String(error.message ?? error)] }, transfer: [] };
  }
  self.postMessage(result.answer, result.transfer);
};

createKoordin({ thisProgram: 'koordin', print: () => {}, printErr: line => console.warn(line) })
  .then(module => {
    module.FS.mkdir(WORK);
    module.FS.chdir(WORK);
    module.FS.mkdir(OUT);
    engine = { module, streams: capture(module) };
    self.postMessage({ ready: true });
  }, error => self.postMessage({ ready: false, error: String(error.message ?? error) }));
