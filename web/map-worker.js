// The coastlines and borders of Natural Earth's countries (world-atlas), made into lines off the
// page's thread by topojson-client (joined before this file). Given the topology's text it
// answers with the lines cut into pieces of a few hundred points, each with its box, so that the
// map draws only the pieces it shows, and each piece in levels of detail, so that a map of a
// continent does not draw every bend of its coast:
// {kinds: Uint8Array (0 coast, 1 border), boxes: Float32Array [west, south, east, north, ...],
// levels: [{tolerance (degrees), points: Float32Array [lon, lat, ...], starts: Uint32Array (a
// piece's first point; one more at the end)}], the first level with every point}.
'use strict';

const PIECE = 256;  // points of a piece at most
const TOLERANCES = [0, 0.01, 0.04, 0.15, 0.5];  // degrees between the points of a level at least

// The points of `line` that lie `tolerance` or more from the last one kept, and its last.
function thinned(line, tolerance) {
  if (tolerance === 0) return line;
  const kept = [line[0]];
  for (let i = 1; i < line.length - 1; ++i) {
    const last = kept[kept.length - 1];
    if (Math.abs(line[i][0] - last[0]) >= tolerance || Math.abs(line[i][1] - last[1]) >= tolerance) kept.push(line[i]);
  }
  kept.push(line[line.length - 1]);
  return kept;
}

self.onmessage = event => {
  const world = JSON.parse(event.data);
  const countries = world.objects.countries;
  const layers = [
    [0, topojson.mesh(world, countries, (a, b) => a === b)],
    [1, topojson.mesh(world, countries, (a, b) => a !== b)],
  ];
  const kinds = [], boxes = [];
  const levels = TOLERANCES.map(tolerance => ({ tolerance, points: [], starts: [] }));
  const piece = (kind, line) => {
    if (line.length < 2) return;
    kinds.push(kind);
    let west = Infinity, south = Infinity, east = -Infinity, north = -Infinity;
    for (const [lon, lat] of line) {
      west = Math.min(west, lon); east = Math.max(east, lon);
      south = Math.min(south, lat); north = Math.max(north, lat);
    }
    boxes.push(west, south, east, north);
    for (const level of levels) {
      level.starts.push(level.points.length / 2);
      for (const [lon, lat] of thinned(line, level.tolerance)) level.points.push(lon, lat);
    }
  };
  for (const [kind, mesh] of layers) {
    for (const line of mesh.coordinates) {
      // Cut where a line crosses the 180th meridian, so that no piece spans the world.
      let current = [];
      for (const point of line) {
        const last = current[current.length - 1];
        if (last && Math.abs(point[0] - last[0]) > 180) {
          piece(kind, current);
          current = [];
        }
        current.push(point);
        if (current.length === PIECE) {
          piece(kind, current);
          current = [point];
        }
      }
      piece(kind, current);
    }
  }
  const answer = {
    kinds: Uint8Array.from(kinds), boxes: Float32Array.from(boxes),
    levels: levels.map(level => ({
      tolerance: level.tolerance, points: Float32Array.from(level.points),
      starts: Uint32Array.from([...level.starts, level.points.length / 2]),
    })),
  };
  const buffers = [answer.kinds, answer.boxes, ...answer.levels.flatMap(level => [level.points, level.starts])];
  self.postMessage(answer, buffers.map(array => array.buffer));
};
