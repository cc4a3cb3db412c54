// The map: the file's points on an equirectangular projection true to scale at the middle
// latitude, over Natural Earth's coastlines and borders, with a graticule and a scale bar. It fits
// the kept points and the radius circle, or every point; dropped points lie under the kept ones,
// routes as lines, the radius as the circle on the ground, names where they cover nothing.
'use strict';

const KM_PER_DEGREE = 111.195;  // of a great circle on the mean sphere
const EARTH_KM = 6371.0088;  // the mean radius
const NICE_STEPS = [0.01, 0.02, 0.05, 0.1, 0.2, 0.25, 0.5, 1, 2, 5, 10, 15, 30, 45, 90];
const NICE_KM = [1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 5000];
const MAP_WIDTH = 800, MAP_MARGIN = 34;
const LABEL_FONT = '10px system-ui, sans-serif';  // as #plot .label in style.css
const KEPT_RADIUS = 4, DROPPED_RADIUS = 3;

// The first of `steps` that divides `span` into at most `count` parts.
function niceStep(span, count, steps) {
  return steps.find(step => span / step <= count) ?? steps[steps.length - 1];
}

function escapeXml(text) {
  return String(text).replace(/[&<>"]/g, c => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]);
}

const radians = degrees => degrees * Math.PI / 180;
const degrees = angle => angle * 180 / Math.PI;

// The point `km` from (latitude, longitude) on a great circle leaving at `bearing` degrees.
function destination(latitude, longitude, bearing, km) {
  const φ = radians(latitude), λ = radians(longitude), θ = radians(bearing), δ = km / EARTH_KM;
  const φ2 = Math.asin(Math.sin(φ) * Math.cos(δ) + Math.cos(φ) * Math.sin(δ) * Math.cos(θ));
  const λ2 = λ + Math.atan2(Math.sin(θ) * Math.sin(δ) * Math.cos(φ), Math.cos(δ) - Math.sin(φ) * Math.sin(φ2));
  return [degrees(φ2), degrees(λ2)];
}

// The radius's circle on the ground, as [latitude, longitude] points.
function groundCircle(around, count = 96) {
  return Array.from({ length: count + 1 }, (_, i) =>
    destination(around.latitude, around.longitude, (360 * i) / count, around.radiusKm));
}

// The box of `points` ([latitude, longitude]), or null for none.
function boxOf(points) {
  if (points.length === 0) return null;
  let south = Infinity, north = -Infinity, west = Infinity, east = -Infinity;
  for (const [latitude, longitude] of points) {
    south = Math.min(south, latitude); north = Math.max(north, latitude);
    west = Math.min(west, longitude); east = Math.max(east, longitude);
  }
  return { south, north, west, east };
}

// The projection of a box into the map: its size in the SVG's units and the functions.
function projectionFor(box) {
  const pad = Math.max(box.north - box.south, box.east - box.west, 0.05) * 0.06;
  const south = box.south - pad, north = box.north + pad, west = box.west - pad, east = box.east + pad;
  const shrink = Math.max(Math.cos(radians((south + north) / 2)), 0.05);
  // The picture takes the shape of the area, within bounds.
  const aspect = (north - south) / Math.max((east - west) * shrink, 1e-9);
  const width = MAP_WIDTH;
  const height = Math.round(Math.min(Math.max(width * aspect, 360), 640));
  const scale = Math.min((width - 2 * MAP_MARGIN) / ((east - west) * shrink), (height - 2 * MAP_MARGIN) / (north - south));
  const middleLongitude = (west + east) / 2, middleLatitude = (south + north) / 2;
  const x = longitude => width / 2 + (longitude - middleLongitude) * shrink * scale;
  const y = latitude => height / 2 - (latitude - middleLatitude) * scale;
  // What the picture shows, larger than the box where the shapes differ.
  const shown = {
    west: middleLongitude - width / 2 / (shrink * scale), east: middleLongitude + width / 2 / (shrink * scale),
    south: middleLatitude - height / 2 / scale, north: middleLatitude + height / 2 / scale,
  };
  return { width, height, scale, shrink, x, y, shown, kmPerPixel: KM_PER_DEGREE / scale };
}

// The coastlines and borders within `shown`, as the `d` of one path each; a point closer than a
// pixel to the last one drawn is passed over.
function worldPaths(world, view) {
  const paths = ['', ''];
  if (!world) return paths;
  const { kinds, boxes } = world;
  // The coarsest level whose points lie less than a pixel apart.
  const { points, starts } = world.levels.filter(level => level.tolerance * view.scale < 1).pop();
  const { shown, x, y } = view;
  for (let piece = 0; piece < kinds.length; ++piece) {
    if (boxes[4 * piece] > shown.east || boxes[4 * piece + 2] < shown.west ||
        boxes[4 * piece + 1] > shown.north || boxes[4 * piece + 3] < shown.south) continue;
    let d = '', lastX = NaN, lastY = NaN;
    const end = starts[piece + 1];
    for (let i = starts[piece]; i < end; ++i) {
      const px = x(points[2 * i]), py = y(points[2 * i + 1]);
      if (i + 1 < end && Math.abs(px - lastX) < 1 && Math.abs(py - lastY) < 1) continue;
      d += `${d ? 'L' : 'M'}${tenth(px)},${tenth(py)}`;
      lastX = px;
      lastY = py;
    }
    paths[kinds[piece]] += d;
  }
  return paths;
}

const measuring = document.createElement('canvas').getContext('2d');
const textWidths = new Map();
function textWidth(text) {
  let width = textWidths.get(text);
  if (width === undefined) {
    measuring.font = LABEL_FONT;
    width = measuring.measureText(text).width;
    textWidths.set(text, width);
  }
  return width;
}

// Boxes placed so far, found by the cells of a grid that they cover.
class Boxes {
  constructor() {
    this.cells = new Map();
  }

  // The keys of the cells that `box` covers.
  keys(box) {
    const size = 40, keys = [];
    const i1 = Math.floor(box.x1 / size), j0 = Math.floor(box.y0 / size), j1 = Math.floor(box.y1 / size);
    for (let i = Math.floor(box.x0 / size); i <= i1; ++i) {
      for (let j = j0; j <= j1; ++j) keys.push(i * 65536 + j);
    }
    return keys;
  }

  free(box, except) {
    return this.keys(box).every(key => (this.cells.get(key) ?? []).every(other => other === except ||
      !(box.x0 < other.x1 && other.x0 < box.x1 && box.y0 < other.y1 && other.y0 < box.y1)));
  }

  add(box) {
    for (const key of this.keys(box)) {
      if (!this.cells.has(key)) this.cells.set(key, []);
      this.cells.get(key).push(box);
    }
  }
}

// A number of the SVG with a tenth of a unit.
function tenth(value) {
  return Math.round(value * 10) / 10;
}

// The names of kept points, first come first placed (slot order), each right, left, above, below
// or beside a corner of its point where it covers no other name or kept point and stays inside
// the picture.
function placeLabels(kept, view) {
  const taken = new Boxes();
  const dots = kept.map(p => {
    const dot = { x0: p.px - KEPT_RADIUS, x1: p.px + KEPT_RADIUS, y0: p.py - KEPT_RADIUS, y1: p.py + KEPT_RADIUS };
    taken.add(dot);
    return dot;
  });
  const labels = [];
  // A name's box reaches from its baseline up by the font's ascent and down by its descent.
  const ascent = 10, descent = 3, gap = KEPT_RADIUS + 2;
  // Where a name may go: its anchor and the place of its baseline from the point.
  const places = [
    ['start', gap, 3.5], ['end', -gap, 3.5], ['middle', 0, -gap - descent], ['middle', 0, gap + ascent],
    ['start', KEPT_RADIUS, -KEPT_RADIUS - descent], ['start', KEPT_RADIUS, KEPT_RADIUS + ascent],
    ['end', -KEPT_RADIUS, -KEPT_RADIUS - descent], ['end', -KEPT_RADIUS, KEPT_RADIUS + ascent],
  ];
  kept.forEach((p, i) => {
    const width = textWidth(p.name);
    for (const [anchor, dx, dy] of places) {
      const x = p.px + dx, y = p.py + dy;
      const x0 = (anchor === 'start' ? x : anchor === 'end' ? x - width : x - width / 2) - 1;
      const box = { x0, x1: x0 + width + 2, y0: y - ascent, y1: y + descent };
      if (box.x0 < 0 || box.x1 > view.width || box.y0 < 0 || box.y1 > view.height || !taken.free(box, dots[i])) continue;
      taken.add(box);
      labels.push(`<text class="label" x="${tenth(x)}" y="${tenth(y)}" text-anchor="${anchor}">${escapeXml(p.name)}</text>`);
      break;
    }
  });
  return labels.join('');
}

let lastWorld = { key: '', paths: ['', ''] };

// map: {points: [{latitude, longitude, name, kept}] (kept ones in slot order), routes:
// [{kept, points: [[latitude, longitude]]}], around: {latitude, longitude, radiusKm} or null,
// fit: 'kept' or 'all', world: the map worker's lines or null}.
function drawPlot(svg, map) {
  const located = map.points.filter(p => Number.isFinite(p.latitude) && Number.isFinite(p.longitude));
  const kept = located.filter(p => p.kept);
  const circle = map.around ? groundCircle(map.around) : [];
  const fitted = map.fit === 'all' || kept.length === 0 ? located : kept;
  const box = boxOf([...fitted.map(p => [p.latitude, p.longitude]), ...circle]);
  if (!box) {
    svg.replaceChildren();
    return null;
  }
  const view = projectionFor(box);
  const { width, height, x, y } = view;
  svg.setAttribute('viewBox', `0 0 ${width} ${height}`);
  const parts = [];

  const worldKey = [view.shown.west, view.shown.south, view.scale, height, Boolean(map.world)].join();
  if (lastWorld.key !== worldKey) lastWorld = { key: worldKey, paths: worldPaths(map.world, view) };
  const [coast, border] = lastWorld.paths;
  if (coast) parts.push(`<path class="coast" d="${coast}"/>`);
  if (border) parts.push(`<path class="border" d="${border}"/>`);

  const { south, north, west, east } = view.shown;
  const step = niceStep(Math.max(north - south, east - west), 8, NICE_STEPS);
  const decimals = step < 1 ? String(step).split('.')[1].length : 0;
  for (let lat = Math.ceil(south / step) * step; lat <= north; lat += step) {
    parts.push(`<line class="graticule" x1="0" x2="${width}" y1="${y(lat).toFixed(1)}" y2="${y(lat).toFixed(1)}"/>`,
      `<text class="graticule-label" x="4" y="${(y(lat) - 3).toFixed(1)}">${lat.toFixed(decimals)}°</text>`);
  }
  for (let lon = Math.ceil(west / step) * step; lon <= east; lon += step) {
    parts.push(`<line class="graticule" y1="0" y2="${height}" x1="${x(lon).toFixed(1)}" x2="${x(lon).toFixed(1)}"/>`,
      `<text class="graticule-label" x="${(x(lon) + 3).toFixed(1)}" y="${height - 4}">${lon.toFixed(decimals)}°</text>`);
  }

  if (map.around) {
    const d = circle.map(([lat, lon], i) => `${i ? 'L' : 'M'}${x(lon).toFixed(1)},${y(lat).toFixed(1)}`).join('');
    parts.push(`<path class="circle" d="${d}Z"/>`,
      `<path class="place" d="M${x(map.around.longitude) - 6},${y(map.around.latitude)}h12m-6,-6v12"/>`);
  }

  // What lies outside the picture is not drawn.
  const inside = (px, py) => px > -8 && px < width + 8 && py > -8 && py < height + 8;
  for (const p of located) {
    p.px = x(p.longitude);
    p.py = y(p.latitude);
  }
  // The dropped points as one path of rings: a national file has thousands.
  const rings = [];
  const r = DROPPED_RADIUS;
  const ring = `a${r},${r} 0 1,0 ${2 * r},0a${r},${r} 0 1,0 ${-2 * r},0`;
  for (const p of located) {
    if (!p.kept && inside(p.px, p.py)) {
      rings.push(`M${tenth(p.px - r)},${tenth(p.py)}${ring}`);
    }
  }
  if (rings.length) parts.push(`<path class="dropped" data-count="${rings.length}" d="${rings.join('')}"/>`);
  for (const route of [...map.routes.filter(r => !r.kept), ...map.routes.filter(r => r.kept)]) {
    if (route.points.length < 2) continue;
    const coordinates = route.points.map(([lat, lon]) => `${tenth(x(lon))},${tenth(y(lat))}`).join(' ');
    parts.push(`<polyline class="${route.kept ? 'route' : 'route dropped'}" points="${coordinates}"/>`);
  }
  const keptShown = kept.filter(p => inside(p.px, p.py));
  for (const p of keptShown) {
    parts.push(`<circle class="kept" cx="${tenth(p.px)}" cy="${tenth(p.py)}" r="${KEPT_RADIUS}"/>`);
  }
  parts.push(placeLabels(keptShown, view));

  const km = [...NICE_KM].reverse().find(k => k <= view.kmPerPixel * width / 4) ?? NICE_KM[0];
  const length = km / view.kmPerPixel;
  const sx = width - MAP_MARGIN - length, sy = height - 22;
  parts.push(`<path class="scale" data-km="${km}" data-length="${length.toFixed(3)}" d="M${sx.toFixed(1)},${sy - 5}V${sy}H${(sx + length).toFixed(1)}V${sy - 5}"/>`,
    `<text class="graticule-label" x="${(sx + length / 2 - 12).toFixed(1)}" y="${sy - 8}">${km} km</text>`);
  svg.innerHTML = parts.join('');
  return view;
}
