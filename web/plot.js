// The turnpoints on a plain map: an equirectangular projection true to scale at the middle
// latitude, with a graticule, a scale bar, routes as lines and dropped points hollow.
'use strict';

const KM_PER_DEGREE = 111.32;
const NICE_STEPS = [0.01, 0.02, 0.05, 0.1, 0.2, 0.25, 0.5, 1, 2, 5, 10, 15, 30, 45, 90];
const NICE_KM = [1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 5000];

function svgElement(name, attributes, content) {
  const element = document.createElementNS('http://www.w3.org/2000/svg', name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  if (content !== undefined) element.textContent = content;
  return element;
}

// The first of `steps` that divides `span` into at most `count` parts.
function niceStep(span, count, steps) {
  return steps.find(step => span / step <= count) ?? steps[steps.length - 1];
}

// `around`, when given, is {latitude, longitude, radiusKm}: the circle of a radius choice.
function drawPlot(svg, plan, listing, around) {
  const width = 800, margin = 34;
  const points = plan.turnpoints
    .map(entry => ({ ...entry, ...(listing.turnpoints[entry.source - 1] ?? {}), kept: entry.kept, name: entry.name }))
    .filter(p => Number.isFinite(p.latitude) && Number.isFinite(p.longitude));
  svg.replaceChildren();
  if (points.length === 0) return;
  const lats = points.map(p => p.latitude), lons = points.map(p => p.longitude);
  let south = Math.min(...lats), north = Math.max(...lats), west = Math.min(...lons), east = Math.max(...lons);
  const pad = Math.max(north - south, east - west, 0.05) * 0.06;
  south -= pad; north += pad; west -= pad; east += pad;
  const shrink = Math.cos(((south + north) / 2) * Math.PI / 180);
  // The picture takes the shape of the area, within bounds.
  const aspect = (north - south) / Math.max((east - west) * shrink, 1e-9);
  const height = Math.round(Math.min(Math.max(width * aspect, 360), 640));
  svg.setAttribute('viewBox', `0 0 ${width} ${height}`);
  const scale = Math.min((width - 2 * margin) / ((east - west) * shrink), (height - 2 * margin) / (north - south));
  const x0 = width / 2 - ((west + east) / 2 - west) * shrink * scale;
  const y0 = height / 2 + ((south + north) / 2 - south) * scale;
  const x = lon => x0 + (lon - west) * shrink * scale;
  const y = lat => y0 - (lat - south) * scale;

  const step = niceStep(Math.max(north - south, (east - west)), 8, NICE_STEPS);
  const decimals = step < 1 ? String(step).split('.')[1].length : 0;
  for (let lat = Math.ceil(south / step) * step; lat <= north; lat += step) {
    svg.append(svgElement('line', { class: 'graticule', x1: 0, x2: width, y1: y(lat), y2: y(lat) }));
    svg.append(svgElement('text', { class: 'graticule-label', x: 4, y: y(lat) - 3 }, `${lat.toFixed(decimals)}°`));
  }
  for (let lon = Math.ceil(west / step) * step; lon <= east; lon += step) {
    svg.append(svgElement('line', { class: 'graticule', y1: 0, y2: height, x1: x(lon), x2: x(lon) }));
    svg.append(svgElement('text', { class: 'graticule-label', x: x(lon) + 3, y: height - 4 }, `${lon.toFixed(decimals)}°`));
  }

  const byName = new Map(points.map(p => [p.name, p]));
  const listedRoutes = listing.routes ?? [];
  plan.routes.forEach(route => {
    const names = (listedRoutes[route.source - 1]?.points ?? []).filter(Boolean);
    const coordinates = names.map(name => byName.get(name)).filter(Boolean).map(p => `${x(p.longitude)},${y(p.latitude)}`);
    if (coordinates.length > 1) {
      svg.append(svgElement('polyline', { class: route.kept ? 'route' : 'route dropped', points: coordinates.join(' ') }));
    }
  });

  if (around) {
    const radius = (around.radiusKm / KM_PER_DEGREE) * scale;
    svg.append(svgElement('ellipse', {
      class: 'circle', cx: x(around.longitude), cy: y(around.latitude), ry: radius,
      rx: radius * shrink / Math.cos(around.latitude * Math.PI / 180),
    }));
  }

  // Names of kept points where they do not cover another name.
  const labels = [];
  const free = box => labels.every(b => box.x1 < b.x0 || box.x0 > b.x1 || box.y1 < b.y0 || box.y0 > b.y1);
  for (const p of points) {
    const cx = x(p.longitude), cy = y(p.latitude);
    svg.append(svgElement('circle', { class: p.kept ? 'kept' : 'dropped', cx, cy, r: p.kept ? 4 : 3.5 }));
    const box = { x0: cx + 5, x1: cx + 8 + p.name.length * 5.6, y0: cy - 6, y1: cy + 6 };
    if (p.kept && free(box)) {
      labels.push(box);
      svg.append(svgElement('text', { class: 'label', x: cx + 6, y: cy + 3 }, p.name));
    }
  }

  const kmPerPixel = KM_PER_DEGREE / scale;
  const km = [...NICE_KM].reverse().find(k => k <= kmPerPixel * width / 4) ?? NICE_KM[0];
  const length = km / kmPerPixel;
  const sx = width - margin - length, sy = height - 22;
  svg.append(svgElement('path', { class: 'scale', d: `M${sx},${sy - 5}V${sy}H${sx + length}V${sy - 5}`, fill: 'none' }));
  svg.append(svgElement('text', { class: 'graticule-label', x: sx + length / 2 - 12, y: sy - 8 }, `${km} km`));
}
