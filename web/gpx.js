// GPX read by the browser's XML parser into koordin's JSON form: waypoints (wpt) and routes (rte),
// a route point whose name no wpt has becoming a waypoint itself.
'use strict';

function gpxToKoordinJson(source) {
  const xml = new DOMParser().parseFromString(source, 'application/xml');
  const error = xml.querySelector('parsererror');
  if (error) throw new Error(`not a GPX file: ${error.textContent.split('\n')[0]}`);
  if (xml.documentElement.localName !== 'gpx') throw new Error('not a GPX file: its root is no <gpx>');
  const child = (element, name) => [...element.children].find(c => c.localName === name)?.textContent.trim() ?? '';
  const waypoints = [];
  const known = new Set();
  const point = element => {
    const name = child(element, 'name');
    const latitude = Number(element.getAttribute('lat'));
    const longitude = Number(element.getAttribute('lon'));
    if (!name) throw new Error(`a <${element.localName}> without a name`);
    if (!Number.isFinite(latitude) || !Number.isFinite(longitude)) throw new Error(`${name}: no lat or lon`);
    if (known.has(name)) return name;
    known.add(name);
    const elevation = child(element, 'ele');
    waypoints.push({
      name, latitude, longitude, elevation: elevation === '' ? null : Number(elevation),
      description: child(element, 'desc') || child(element, 'cmt'),
    });
    return name;
  };
  const all = [...xml.getElementsByTagNameNS('*', '*')];
  all.filter(e => e.localName === 'wpt').forEach(point);
  const tasks = all.filter(e => e.localName === 'rte').map(route => ({
    name: child(route, 'name'),
    // a GPX route has neither takeoff nor landing: koordin's tasks start and end with an empty one
    points: ['', ...[...route.children].filter(c => c.localName === 'rtept').map(point), ''],
  }));
  return JSON.stringify({ waypoints, tasks });
}

// koordin's JSON form written as GPX 1.1 by the browser's XML serializer: waypoints with name,
// elevation and description, routes with the coordinates of the waypoints they name. Returns the
// text and a warning for each route point that names no waypoint.
function koordinJsonToGpx(source) {
  const document = JSON.parse(source);
  const namespace = 'http://www.topografix.com/GPX/1/1';
  const xml = window.document.implementation.createDocument(namespace, 'gpx', null);
  const gpx = xml.documentElement;
  gpx.setAttribute('version', '1.1');
  gpx.setAttribute('creator', 'koordin');
  const add = (parent, name, text) => {
    const element = xml.createElementNS(namespace, name);
    if (text !== undefined) element.textContent = text;
    parent.append(element);
    return element;
  };
  const place = (element, waypoint) => {
    element.setAttribute('lat', waypoint.latitude);
    element.setAttribute('lon', waypoint.longitude);
  };
  const byName = new Map();
  for (const waypoint of document.waypoints) {
    const point = add(gpx, 'wpt');
    place(point, waypoint);
    if (waypoint.elevation != null) add(point, 'ele', waypoint.elevation);
    add(point, 'name', waypoint.name);
    if (waypoint.description) add(point, 'desc', waypoint.description);
    byName.set(waypoint.name, waypoint);
  }
  const warnings = [];
  for (const task of document.tasks) {
    const route = add(gpx, 'rte');
    if (task.name) add(route, 'name', task.name);
    for (const name of task.points.filter(Boolean)) {
      const waypoint = byName.get(name);
      if (!waypoint) {
        warnings.push(`route "${task.name}": point "${name}" is no waypoint; left out`);
        continue;
      }
      const point = add(route, 'rtept');
      place(point, waypoint);
      add(point, 'name', name);
    }
  }
  const text = '<?xml version="1.0" encoding="UTF-8"?>\n' + new XMLSerializer().serializeToString(xml) + '\n';
  return { text, warnings };
}
