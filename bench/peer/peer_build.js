// node peer_build.js FILE [RUNS]: builds the BSP tree of a scene file (the JSON that make-walls
// writes) with the peer library's builder, RUNS times (default 5), and prints one line of JSON
// like bsp-build's: {"polygons":N,"pieces":M,"best_ms":T}. The peer library is found through
// NODE_PATH (compare-peer installs it into a temporary folder); it takes the first polygon of each
// list as the splitter, as our bsp-build does, so both build the same kind of tree.
'use strict';
const fs = require('fs');
const CSG = require('csg');

if (process.argv.length < 3) {
  console.error('usage: node peer_build.js FILE [RUNS]');
  process.exit(2);
}
const scene = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));
const runs = Number(process.argv[3] || 5);

// The scene's polygons in the peer's own form; made afresh for each run, outside the timing,
// since a build keeps the polygons it is given.
function peerPolygons() {
  return scene.polygons.map((p) => {
    const pts = p.points.map(([x, y, z]) => new CSG.Vector(x, y, z));
    const n = pts[1].minus(pts[0]).cross(pts[2].minus(pts[0])).unit();
    return new CSG.Polygon(pts.map((v) => new CSG.Vertex(v, n)), p.label);
  });
}

// Pieces placed in the tree, without recursion (the tree can be deep).
function pieces(root) {
  let count = 0;
  const stack = [root];
  while (stack.length) {
    const n = stack.pop();
    count += n.polygons.length;
    if (n.front) stack.push(n.front);
    if (n.back) stack.push(n.back);
  }
  return count;
}

let best = Infinity;
let placed = 0;
for (let run = 0; run < runs; ++run) {
  const polygons = peerPolygons();
  const start = process.hrtime.bigint();
  const tree = new CSG.Node(polygons);
  const stop = process.hrtime.bigint();
  best = Math.min(best, Number(stop - start) / 1e6);
  placed = pieces(tree);
}
console.log(JSON.stringify({ polygons: scene.polygons.length, pieces: placed, best_ms: Math.round(best * 1000) / 1000 }));
