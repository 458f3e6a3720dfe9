#include "scenes/mesh_files.hpp"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "runtime/error.hpp"

namespace kolvar::scenes {

using bsp::PolygonList;
using bsp::PolygonRef;
using geometry::Vec3;

namespace {

[[noreturn]] void fail(const std::string& origin, std::size_t line, const std::string& fault) {
  throw Error(origin + ":" + std::to_string(line) + ": " + fault, ErrorKind::Input);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error(path + ": cannot open the file", ErrorKind::Input);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The words of a line, a comment cut off.
std::vector<std::string> words(std::string line) {
  if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(std::move(w));
  return out;
}

bool number(const std::string& word, double& out) {
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
  return ec == std::errc() && end == word.data() + word.size() && std::isfinite(out);
}

bool whole(const std::string& word, long& out) {
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
  return ec == std::errc() && end == word.data() + word.size();
}

void addFace(std::vector<PolygonRef>& out, std::vector<Vec3> points, const std::string& origin, std::size_t line) {
  if (auto fault = bsp::faceFault(points)) fail(origin, line, "face " + std::to_string(out.size() + 1) + ": " + *fault);
  out.push_back(bsp::newPolygon(std::move(points), std::to_string(out.size() + 1)));
}

}  // namespace

// Long files say how far they are every so many lines.
constexpr std::size_t kLinesPerReport = 4096;

PolygonList parseObj(const std::string& text, const std::string& origin, runtime::Progress* progress) {
  std::vector<Vec3> vertices;
  std::vector<PolygonRef> faces;
  std::istringstream in(text);
  std::size_t lineNo = 0, read = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNo;
    read += line.size() + 1;
    if (progress && lineNo % kLinesPerReport == 0) progress->report(static_cast<double>(read), static_cast<double>(text.size()));
    const std::vector<std::string> w = words(line);
    if (w.empty()) continue;
    if (w[0] == "v") {
      if (w.size() != 4 && w.size() != 5) fail(origin, lineNo, "a vertex needs three coordinates (and at most a weight)");
      Vec3 p;
      for (int i = 0; i < 3; ++i)
        if (!number(w[static_cast<std::size_t>(i) + 1], p[i]))
          fail(origin, lineNo, "\"" + w[static_cast<std::size_t>(i) + 1] + "\" is not a finite number");
      vertices.push_back(p);
    } else if (w[0] == "f") {
      std::vector<Vec3> points;
      for (std::size_t i = 1; i < w.size(); ++i) {
        long index = 0;
        const std::string first = w[i].substr(0, w[i].find('/'));
        if (!whole(first, index)) fail(origin, lineNo, "\"" + w[i] + "\" is not a vertex number");
        const long count = static_cast<long>(vertices.size());
        const long at = index < 0 ? count + index : index - 1;
        if (index == 0 || at < 0 || at >= count)
          fail(origin, lineNo, "vertex " + first + " does not exist (" + std::to_string(count) + " so far)");
        points.push_back(vertices[static_cast<std::size_t>(at)]);
      }
      addFace(faces, std::move(points), origin, lineNo);
    }
  }
  return PolygonList::from(std::move(faces));
}

PolygonList parseOff(const std::string& text, const std::string& origin, runtime::Progress* progress) {
  // The lines that say something, with their numbers: the first half of the work.
  std::vector<std::pair<std::size_t, std::vector<std::string>>> lines;
  std::istringstream in(text);
  std::size_t lineNo = 0, read = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNo;
    read += line.size() + 1;
    if (progress && lineNo % kLinesPerReport == 0) progress->report(static_cast<double>(read), 2.0 * static_cast<double>(text.size()));
    std::vector<std::string> w = words(line);
    if (!w.empty()) lines.emplace_back(lineNo, std::move(w));
  }
  std::size_t at = 0;
  if (lines.empty() || lines[0].second[0] != "OFF") fail(origin, lines.empty() ? 1 : lines[0].first, "the file does not start with OFF");
  std::vector<std::string> counts(lines[0].second.begin() + 1, lines[0].second.end());
  std::size_t countsLine = lines[0].first;
  ++at;
  if (counts.empty()) {
    if (at >= lines.size()) fail(origin, lineNo, "the counts of vertices, faces and edges are missing");
    counts = lines[at].second;
    countsLine = lines[at].first;
    ++at;
  }
  long nv = 0, nf = 0, ne = 0;
  if (counts.size() != 3 || !whole(counts[0], nv) || !whole(counts[1], nf) || !whole(counts[2], ne) || nv < 0 || nf < 0)
    fail(origin, countsLine, "expected the counts of vertices, faces and edges");
  std::vector<Vec3> vertices;
  for (long i = 0; i < nv; ++i, ++at) {
    if (at >= lines.size()) fail(origin, lineNo, "the file ends after " + std::to_string(i) + " of " + std::to_string(nv) + " vertices");
    const auto& [n, w] = lines[at];
    Vec3 p;
    if (w.size() != 3) fail(origin, n, "a vertex needs three coordinates");
    for (int c = 0; c < 3; ++c)
      if (!number(w[static_cast<std::size_t>(c)], p[c])) fail(origin, n, "\"" + w[static_cast<std::size_t>(c)] + "\" is not a finite number");
    vertices.push_back(p);
  }
  std::vector<PolygonRef> faces;
  for (long i = 0; i < nf; ++i, ++at) {
    if (progress && i % static_cast<long>(kLinesPerReport) == 0)
      progress->report(static_cast<double>(nf + i), 2.0 * static_cast<double>(nf));
    if (at >= lines.size()) fail(origin, lineNo, "the file ends after " + std::to_string(i) + " of " + std::to_string(nf) + " faces");
    const auto& [n, w] = lines[at];
    long k = 0;
    if (!whole(w[0], k) || k < 0 || static_cast<std::size_t>(k) + 1 > w.size())
      fail(origin, n, "a face needs its count of corners and that many vertex numbers");
    std::vector<Vec3> points;
    for (long c = 1; c <= k; ++c) {
      long index = 0;
      const std::string& word = w[static_cast<std::size_t>(c)];
      if (!whole(word, index) || index < 0 || index >= nv)
        fail(origin, n, "vertex " + word + " does not exist (numbers run from 0 to " + std::to_string(nv - 1) + ")");
      points.push_back(vertices[static_cast<std::size_t>(index)]);
    }
    addFace(faces, std::move(points), origin, n);
  }
  if (at < lines.size()) fail(origin, lines[at].first, "more lines than the counts announce");
  return PolygonList::from(std::move(faces));
}

PolygonList readObj(const std::string& path) { return parseObj(readFile(path), path); }
PolygonList readOff(const std::string& path) { return parseOff(readFile(path), path); }

}  // namespace kolvar::scenes
