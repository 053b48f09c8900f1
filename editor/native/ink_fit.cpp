// Brings a glyph's TrueType points back to the ink they were traced from.
//
// The tracer is asked for few, smooth curves, and the quadratic conversion
// for few points; each step keeps within a dot or two of the ink but drifts
// inward on round ends and across the steps of the dots. Here every point
// of every contour is moved, together, to the place where the outline lies
// closest to the ink's edge in the least-squares sense: the edge is sampled
// at the middle of every side of a dot that parts ink from paper, each
// sample is paired with the nearest place on the outline (a few rounds, as
// the outline moves), and the points solve the normal equations of those
// pairs. The curves keep their kind and their points' on-curve flags:
// - an on-curve point level with both its neighbours (a point where the
//   curve turns, or a flat run) keeps them level: the three share one
//   coordinate in the solve;
// - after the first rounds, an off-curve point that makes its curve turn
//   beyond both its neighbours is tied the same way to the nearer one, and
//   the points are solved again, so that the turn falls on a point;
// - a light pull towards the points as they came keeps points with few
//   samples (a short curve between two near corners) where they were.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

namespace {

struct Term
{
    int index;
    double weight;
};

// A place on the outline as a sum of weighted points: an explicit point, or
// the on-curve point halfway between two off-curve ones.
struct Anchor
{
    Term terms[2];
    int count;
    double position; // where it falls in the contour's order (i - 0.5 when implied before i)
};

struct Piece
{
    Anchor start;
    Anchor end;
    int control; // the off-curve point, or -1 for a straight line
};

struct Vec
{
    double x;
    double y;
};

struct Contour
{
    int first; // index of its first point in the glyph
    int count;
    std::vector<Piece> pieces;
};

Vec At(const Anchor& a, const std::vector<Vec>& p)
{
    Vec v { 0.0, 0.0 };
    for (int k = 0; k < a.count; ++k) {
        v.x += a.terms[k].weight * p[static_cast<size_t>(a.terms[k].index)].x;
        v.y += a.terms[k].weight * p[static_cast<size_t>(a.terms[k].index)].y;
    }
    return v;
}

std::vector<Piece> PiecesOf(int first, int count, const unsigned char* on)
{
    std::vector<Anchor> anchors;
    for (int i = 0; i < count; ++i) {
        const int before = (i + count - 1) % count;
        if (!on[first + i] && !on[first + before])
            anchors.push_back(Anchor { { { first + before, 0.5 }, { first + i, 0.5 } }, 2, i - 0.5 });
        if (on[first + i])
            anchors.push_back(Anchor { { { first + i, 1.0 }, { 0, 0.0 } }, 1, static_cast<double>(i) });
    }
    std::vector<Piece> pieces;
    const size_t total = anchors.size();
    for (size_t k = 0; k < total; ++k) {
        const Anchor& a = anchors[k];
        const Anchor& b = anchors[(k + 1) % total];
        const double next = k + 1 < total ? b.position : b.position + count;
        const int j = static_cast<int>(std::floor(a.position)) + 1;
        const int control = j < next && !on[first + j % count] ? first + j % count : -1;
        pieces.push_back(Piece { a, b, control });
    }
    return pieces;
}

// A piece's start, control and end as they stand (a line's control halfway).
struct Places
{
    Vec a;
    Vec c;
    Vec b;
};

Places PlacesOf(const Piece& piece, const std::vector<Vec>& p)
{
    const Vec a = At(piece.start, p);
    const Vec b = At(piece.end, p);
    return Places { a, piece.control < 0 ? Vec { (a.x + b.x) / 2, (a.y + b.y) / 2 } : p[static_cast<size_t>(piece.control)], b };
}

Vec PointOn(const Places& q, double t)
{
    const double u = 1.0 - t;
    return Vec { u * u * q.a.x + 2 * t * u * q.c.x + t * t * q.b.x, u * u * q.a.y + 2 * t * u * q.c.y + t * t * q.b.y };
}

// Two Newton steps towards the parameter of the piece's place nearest s.
double Nearest(const Places& places, Vec s, double t)
{
    const Vec a = places.a;
    const Vec b = places.b;
    const Vec c = places.c;
    for (int step = 0; step < 2; ++step) {
        const double u = 1.0 - t;
        const Vec q { u * u * a.x + 2 * t * u * c.x + t * t * b.x, u * u * a.y + 2 * t * u * c.y + t * t * b.y };
        const Vec d1 { 2 * u * (c.x - a.x) + 2 * t * (b.x - c.x), 2 * u * (c.y - a.y) + 2 * t * (b.y - c.y) };
        const Vec d2 { 2 * (a.x - 2 * c.x + b.x), 2 * (a.y - 2 * c.y + b.y) };
        const double f = (q.x - s.x) * d1.x + (q.y - s.y) * d1.y;
        const double slope = d1.x * d1.x + d1.y * d1.y + (q.x - s.x) * d2.x + (q.y - s.y) * d2.y;
        if (slope <= 1e-9)
            break;
        t = std::clamp(t - f / slope, 0.0, 1.0);
    }
    return t;
}

// The middle of every side of a dot that parts ink from paper, in font units:
// the bits where a row differs from the row below, and where a row differs
// from itself moved one dot along.
std::vector<Vec> EdgeSamples(const unsigned long* words, int width, int rows, int wordsPerRow, double sx, double sy,
    double dy)
{
    constexpr int bits = static_cast<int>(8 * sizeof(unsigned long));
    const size_t stride = static_cast<size_t>(wordsPerRow);
    auto each = [](unsigned long set, int base, auto&& add) {
        while (set) {
            const int p = __builtin_clzl(set);
            add(base + p);
            set &= ~(1UL << (bits - 1 - p));
        }
    };
    std::vector<Vec> samples;
    for (int y = 0; y <= rows; ++y) {
        const unsigned long* here = y < rows ? words + static_cast<size_t>(y) * stride : nullptr;
        const unsigned long* below = y > 0 ? words + static_cast<size_t>(y - 1) * stride : nullptr;
        unsigned long carry = 0; // the last dot of the word before, as the top bit
        for (int w = 0; w < wordsPerRow; ++w) {
            const unsigned long a = here ? here[w] : 0;
            const unsigned long b = below ? below[w] : 0;
            each(a ^ b, w * bits, [&](int x) {
                if (x < width)
                    samples.push_back(Vec { (x + 0.5) * sx, y * sy + dy });
            });
            if (!here)
                continue;
            each(a ^ ((a >> 1) | carry), w * bits, [&](int x) {
                if (x <= width)
                    samples.push_back(Vec { x * sx, (y + 0.5) * sy + dy });
            });
            carry = (a & 1UL) << (bits - 1);
        }
        if (here && carry && width == wordsPerRow * bits)
            samples.push_back(Vec { width * sx, (y + 0.5) * sy + dy });
    }
    return samples;
}

struct Pairing
{
    int piece;
    double t;
    Vec sample;
};

// Each sample with the nearest place on the outline within reach: the
// outline cut into short steps, found through a grid of cells reach wide.
std::vector<std::vector<Pairing>> Pair(const std::vector<Contour>& contours, const std::vector<Vec>& p,
    const std::vector<Vec>& samples, double reach)
{
    constexpr int steps = 8;
    struct Step
    {
        Vec at;
        int contour;
        int piece;
        double t;
    };
    std::vector<Step> flat;
    for (size_t c = 0; c < contours.size(); ++c)
        for (size_t k = 0; k < contours[c].pieces.size(); ++k)
            for (int s = 0; s < steps; ++s) {
                const double t = (s + 0.5) / steps;
                flat.push_back(Step { PointOn(PlacesOf(contours[c].pieces[k], p), t), static_cast<int>(c), static_cast<int>(k), t });
            }
    std::vector<std::vector<Pairing>> pairs(contours.size());
    if (flat.empty())
        return pairs;
    double x0 = flat[0].at.x, y0 = flat[0].at.y, x1 = x0, y1 = y0;
    for (const Step& s : flat) {
        x0 = std::min(x0, s.at.x);
        y0 = std::min(y0, s.at.y);
        x1 = std::max(x1, s.at.x);
        y1 = std::max(y1, s.at.y);
    }
    const int columns = static_cast<int>((x1 - x0) / reach) + 1;
    const int cellRows = static_cast<int>((y1 - y0) / reach) + 1;
    std::vector<int> start(static_cast<size_t>(columns) * static_cast<size_t>(cellRows) + 1, 0);
    auto cellOf = [&](Vec v) {
        const int cx = std::clamp(static_cast<int>((v.x - x0) / reach), 0, columns - 1);
        const int cy = std::clamp(static_cast<int>((v.y - y0) / reach), 0, cellRows - 1);
        return static_cast<size_t>(cy) * static_cast<size_t>(columns) + static_cast<size_t>(cx);
    };
    for (const Step& s : flat)
        ++start[cellOf(s.at) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int> order(flat.size());
    std::vector<int> filled(start.begin(), start.end() - 1);
    for (size_t i = 0; i < flat.size(); ++i)
        order[static_cast<size_t>(filled[cellOf(flat[i].at)]++)] = static_cast<int>(i);
    const double most = reach * reach;
    for (const Vec& s : samples) {
        if (s.x < x0 - reach || s.x > x1 + reach || s.y < y0 - reach || s.y > y1 + reach)
            continue;
        const int cx = static_cast<int>(std::floor((s.x - x0) / reach));
        const int cy = static_cast<int>(std::floor((s.y - y0) / reach));
        double best = most;
        int found = -1;
        for (int y = std::max(cy - 1, 0); y <= std::min(cy + 1, cellRows - 1); ++y)
            for (int x = std::max(cx - 1, 0); x <= std::min(cx + 1, columns - 1); ++x) {
                const size_t cell = static_cast<size_t>(y) * static_cast<size_t>(columns) + static_cast<size_t>(x);
                for (int k = start[cell]; k < start[cell + 1]; ++k) {
                    const Step& f = flat[static_cast<size_t>(order[static_cast<size_t>(k)])];
                    const double d = (f.at.x - s.x) * (f.at.x - s.x) + (f.at.y - s.y) * (f.at.y - s.y);
                    if (d < best) {
                        best = d;
                        found = order[static_cast<size_t>(k)];
                    }
                }
            }
        if (found < 0)
            continue;
        const Step& f = flat[static_cast<size_t>(found)];
        const Piece& piece = contours[static_cast<size_t>(f.contour)].pieces[static_cast<size_t>(f.piece)];
        pairs[static_cast<size_t>(f.contour)].push_back(Pairing { f.piece, Nearest(PlacesOf(piece, p), s, f.t), s });
    }
    return pairs;
}

// Union of points that share a coordinate in the solve, per axis.
class Ties
{
public:
    explicit Ties(int count)
        : parent_(static_cast<size_t>(count))
    {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int Root(int i)
    {
        while (parent_[static_cast<size_t>(i)] != i) {
            parent_[static_cast<size_t>(i)] = parent_[static_cast<size_t>(parent_[static_cast<size_t>(i)])];
            i = parent_[static_cast<size_t>(i)];
        }
        return i;
    }
    void Join(int a, int b) { parent_[static_cast<size_t>(Root(a))] = Root(b); }

private:
    std::vector<int> parent_;
};

// Solves the symmetric positive definite system m v = r in place (Cholesky);
// false when m is not positive definite. The points of a contour meet only
// their neighbours, so each row of m is empty left of a first column near
// its diagonal (but for the rows that close the contour): the factor stays
// within that envelope, and the work with it.
bool Solve(std::vector<double>& m, std::vector<double>& r, size_t n)
{
    std::vector<size_t> first(n);
    for (size_t i = 0; i < n; ++i) {
        size_t f = 0;
        while (f < i && m[i * n + f] == 0.0)
            ++f;
        first[i] = f;
    }
    for (size_t j = 0; j < n; ++j) {
        double d = m[j * n + j];
        for (size_t k = first[j]; k < j; ++k)
            d -= m[j * n + k] * m[j * n + k];
        if (!(d > 1e-12))
            return false;
        d = std::sqrt(d);
        m[j * n + j] = d;
        for (size_t i = j + 1; i < n; ++i) {
            if (first[i] > j)
                continue;
            double s = m[i * n + j];
            for (size_t k = std::max(first[i], first[j]); k < j; ++k)
                s -= m[i * n + k] * m[j * n + k];
            m[i * n + j] = s / d;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        double s = r[i];
        for (size_t k = first[i]; k < i; ++k)
            s -= m[i * n + k] * r[k];
        r[i] = s / m[i * n + i];
    }
    for (size_t i = n; i-- > 0;) {
        r[i] /= m[i * n + i];
        for (size_t k = first[i]; k < i; ++k)
            r[k] -= m[i * n + k] * r[i];
    }
    return true;
}

struct Weights
{
    Term terms[5];
    int count = 0;
    void Add(int index, double weight)
    {
        for (int k = 0; k < count; ++k)
            if (terms[k].index == index) {
                terms[k].weight += weight;
                return;
            }
        terms[count++] = Term { index, weight };
    }
    void Add(const Anchor& a, double weight)
    {
        for (int k = 0; k < a.count; ++k)
            Add(a.terms[k].index, weight * a.terms[k].weight);
    }
};

Weights WeightsOf(const Piece& piece, double t)
{
    Weights w;
    const double u = 1.0 - t;
    if (piece.control < 0) {
        w.Add(piece.start, u);
        w.Add(piece.end, t);
    } else {
        w.Add(piece.start, u * u);
        w.Add(piece.control, 2 * t * u);
        w.Add(piece.end, t * t);
    }
    return w;
}

// The normal equations of a contour's pairings over its points, kept as a
// band: each place on the outline is a sum of at most three neighbouring
// points, so a point meets only the two before and the two after it.
struct Normal
{
    std::vector<double> band; // count x 5: the point with the one two before it ... two after it
    std::vector<double> rhs; // count x 2: x, y
    size_t pairs = 0;
};

Normal NormalOf(const Contour& contour, const std::vector<Pairing>& pairs)
{
    const size_t count = static_cast<size_t>(contour.count);
    Normal normal { std::vector<double>(count * 5, 0.0), std::vector<double>(count * 2, 0.0), pairs.size() };
    for (const Pairing& pair : pairs) {
        const Weights w = WeightsOf(contour.pieces[static_cast<size_t>(pair.piece)], pair.t);
        for (int a = 0; a < w.count; ++a) {
            const int ia = w.terms[a].index - contour.first;
            normal.rhs[static_cast<size_t>(ia) * 2] += w.terms[a].weight * pair.sample.x;
            normal.rhs[static_cast<size_t>(ia) * 2 + 1] += w.terms[a].weight * pair.sample.y;
            for (int b = 0; b < w.count; ++b) {
                int offset = w.terms[b].index - contour.first - ia;
                if (offset > contour.count / 2)
                    offset -= contour.count;
                else if (offset < -(contour.count - 1) / 2)
                    offset += contour.count;
                normal.band[static_cast<size_t>(ia) * 5 + static_cast<size_t>(offset + 2)]
                    += w.terms[a].weight * w.terms[b].weight;
            }
        }
    }
    return normal;
}

// One solve of a contour's points along one axis; false when it cannot be
// solved.
bool SolveAxis(const Contour& contour, const Normal& normal, std::vector<Vec>& p, const std::vector<Vec>& original,
    Ties& ties, int axis, double stiffness)
{
    // Ties stay within a contour: its points' roots are its own points.
    std::vector<int> variable(static_cast<size_t>(contour.count), -1);
    std::vector<int> ofRoot(static_cast<size_t>(contour.count), -1);
    size_t n = 0;
    for (int i = 0; i < contour.count; ++i) {
        int& v = ofRoot[static_cast<size_t>(ties.Root(contour.first + i) - contour.first)];
        if (v < 0)
            v = static_cast<int>(n++);
        variable[static_cast<size_t>(i)] = v;
    }
    std::vector<double> m(n * n, 0.0), r(n, 0.0);
    const double pull = stiffness * static_cast<double>(normal.pairs) / contour.count + 1e-6;
    for (int i = 0; i < contour.count; ++i) {
        const size_t v = static_cast<size_t>(variable[static_cast<size_t>(i)]);
        for (int offset = -2; offset <= 2; ++offset) {
            const double value = normal.band[static_cast<size_t>(i) * 5 + static_cast<size_t>(offset + 2)];
            if (value != 0.0) {
                const int other = (i + offset + contour.count) % contour.count;
                m[v * n + static_cast<size_t>(variable[static_cast<size_t>(other)])] += value;
            }
        }
        const Vec& o = original[static_cast<size_t>(contour.first + i)];
        m[v * n + v] += pull;
        r[v] += normal.rhs[static_cast<size_t>(i) * 2 + static_cast<size_t>(axis)] + pull * (axis ? o.y : o.x);
    }
    if (!Solve(m, r, n))
        return false;
    for (int i = 0; i < contour.count; ++i) {
        Vec& q = p[static_cast<size_t>(contour.first + i)];
        (axis ? q.y : q.x) = r[static_cast<size_t>(variable[static_cast<size_t>(i)])];
    }
    return true;
}

// Each pairing moved along with the outline: the nearest place on its piece,
// or on a neighbour when that place is the piece's end.
void Follow(const std::vector<Contour>& contours, const std::vector<Vec>& p, std::vector<std::vector<Pairing>>& pairs)
{
    std::vector<Places> places;
    for (size_t c = 0; c < contours.size(); ++c) {
        const std::vector<Piece>& pieces = contours[c].pieces;
        const int count = static_cast<int>(pieces.size());
        places.clear();
        for (const Piece& piece : pieces)
            places.push_back(PlacesOf(piece, p));
        auto distance = [](Vec q, Vec s) { return (q.x - s.x) * (q.x - s.x) + (q.y - s.y) * (q.y - s.y); };
        for (Pairing& pair : pairs[c]) {
            pair.t = Nearest(places[static_cast<size_t>(pair.piece)], pair.sample, pair.t);
            if (pair.t > 0.0 && pair.t < 1.0)
                continue;
            const int k = (pair.piece + (pair.t <= 0.0 ? count - 1 : 1)) % count;
            const double t = Nearest(places[static_cast<size_t>(k)], pair.sample, pair.t <= 0.0 ? 1.0 : 0.0);
            if (distance(PointOn(places[static_cast<size_t>(k)], t), pair.sample)
                < distance(PointOn(places[static_cast<size_t>(pair.piece)], pair.t), pair.sample))
                pair = Pairing { k, t, pair.sample };
        }
    }
}

// Tied points start each solve from the mean of their places.
void Even(std::vector<Vec>& p, Ties& ties, int axis)
{
    std::vector<double> sum(p.size(), 0.0);
    std::vector<int> count(p.size(), 0);
    for (size_t i = 0; i < p.size(); ++i) {
        const size_t root = static_cast<size_t>(ties.Root(static_cast<int>(i)));
        sum[root] += axis ? p[i].y : p[i].x;
        ++count[root];
    }
    for (size_t i = 0; i < p.size(); ++i) {
        const size_t root = static_cast<size_t>(ties.Root(static_cast<int>(i)));
        (axis ? p[i].y : p[i].x) = sum[root] / count[root];
    }
}

double Coordinate(const Vec& v, int axis) { return axis ? v.y : v.x; }

// Off-curve points whose curve turns beyond both neighbours, tied to the
// nearer of them on that axis.
void TieTurns(const std::vector<Contour>& contours, const std::vector<Vec>& p, const unsigned char* on, Ties* ties)
{
    for (const Contour& contour : contours)
        for (int i = 0; i < contour.count; ++i) {
            const int here = contour.first + i;
            if (on[here])
                continue;
            const int before = contour.first + (i + contour.count - 1) % contour.count;
            const int after = contour.first + (i + 1) % contour.count;
            for (int axis = 0; axis < 2; ++axis) {
                const double a = Coordinate(p[static_cast<size_t>(before)], axis);
                const double b = Coordinate(p[static_cast<size_t>(after)], axis);
                const double v = Coordinate(p[static_cast<size_t>(here)], axis);
                if (v >= std::min(a, b) - 0.25 && v <= std::max(a, b) + 0.25)
                    continue;
                ties[axis].Join(here, std::abs(a - v) <= std::abs(b - v) ? before : after);
            }
        }
}

} // namespace

// Fits the points of a glyph (xs, ys, on; contours ending at ends) to the
// ink of a 1-bit bitmap (rows bottom-up, leftmost dot in a word's most
// significant bit) that the scale (x sx, y sy + dy) maps into font units.
// reach is how far (in font units) a sample of the ink's edge may lie from
// the outline to count, stiffness the pull towards the points as they came.
// The points are replaced by the fitted ones, rounded; 0 when done, -1 when
// the fit could not be made (the points are then left as they were).
extern "C" __attribute__((visibility("default"))) int glyphsmith_fit_to_ink(const unsigned long* words, int width,
    int rows, int wordsPerRow, double sx, double sy, double dy, int* xs, int* ys, const unsigned char* on,
    const int* ends, int contourCount, double reach, double stiffness) noexcept
{
    try {
        std::vector<Contour> contours;
        int first = 0;
        for (int c = 0; c < contourCount; ++c) {
            const int count = ends[c] + 1 - first;
            if (count < 3)
                return -1;
            contours.push_back(Contour { first, count, PiecesOf(first, count, on) });
            first = ends[c] + 1;
        }
        std::vector<Vec> p;
        for (int i = 0; i < first; ++i)
            p.push_back(Vec { static_cast<double>(xs[i]), static_cast<double>(ys[i]) });
        const std::vector<Vec> original = p;
        const std::vector<Vec> samples = EdgeSamples(words, width, rows, wordsPerRow, sx, sy, dy);
        Ties ties[2] = { Ties(first), Ties(first) };
        for (const Contour& contour : contours)
            for (int i = 0; i < contour.count; ++i) {
                const int here = contour.first + i;
                if (!on[here])
                    continue;
                const int before = contour.first + (i + contour.count - 1) % contour.count;
                const int after = contour.first + (i + 1) % contour.count;
                for (int axis = 0; axis < 2; ++axis)
                    if (Coordinate(p[static_cast<size_t>(before)], axis) == Coordinate(p[static_cast<size_t>(here)], axis)
                        && Coordinate(p[static_cast<size_t>(after)], axis) == Coordinate(p[static_cast<size_t>(here)], axis)) {
                        ties[axis].Join(before, here);
                        ties[axis].Join(after, here);
                    }
            }
        // Three rounds, the turns tied, two more; the samples are paired
        // with the outline once and then follow it.
        std::vector<std::vector<Pairing>> pairs;
        for (int round = 0; round < 4; ++round) {
            if (round == 2) {
                TieTurns(contours, p, on, ties);
                Even(p, ties[0], 0);
                Even(p, ties[1], 1);
            }
            if (round == 0)
                pairs = Pair(contours, p, samples, reach);
            else
                Follow(contours, p, pairs);
            for (size_t c = 0; c < contours.size(); ++c) {
                if (pairs[c].empty())
                    continue;
                const Normal normal = NormalOf(contours[c], pairs[c]);
                for (int axis = 0; axis < 2; ++axis)
                    if (!SolveAxis(contours[c], normal, p, original, ties[axis], axis, stiffness))
                        return -1;
            }
        }
        for (int i = 0; i < first; ++i) {
            if (!std::isfinite(p[static_cast<size_t>(i)].x) || !std::isfinite(p[static_cast<size_t>(i)].y))
                return -1;
        }
        for (int i = 0; i < first; ++i) {
            xs[i] = static_cast<int>(std::floor(p[static_cast<size_t>(i)].x + 0.5));
            ys[i] = static_cast<int>(std::floor(p[static_cast<size_t>(i)].y + 0.5));
        }
        return 0;
    } catch (...) {
        return -1;
    }
}
