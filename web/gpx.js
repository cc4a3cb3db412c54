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
