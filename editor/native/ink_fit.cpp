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
// - from a given round on, an off-curve point that makes its curve turn
//   beyond both its neighbours is tied the same way to the nearer one, so
//   that the turn falls on a point;
// - a light pull towards the points as they came keeps points with few
//   samples (a short curve between two near corners) where they were.
// The glyph is fitted twice, with the on-curve points the first fit brings
// near halfway between their neighbours left implied in between: fewer
// points, each where the ink wants it.

#include "lean_conversion.h"

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
    std::vector<std::vector<Places>> places(contours.size());
    for (size_t c = 0; c < contours.size(); ++c)
        for (size_t k = 0; k < contours[c].pieces.size(); ++k) {
            places[c].push_back(PlacesOf(contours[c].pieces[k], p));
            for (int s = 0; s < steps; ++s) {
                const double t = (s + 0.5) / steps;
                flat.push_back(Step { PointOn(places[c].back(), t), static_cast<int>(c), static_cast<int>(k), t });
            }
        }
    std::vector<std::vector<Pairing>> pairs(contours.size());
    if (flat.empty())
        return pairs;
    // Cells twice the reach: most samples find a step nearer than their
    // own cell's sides and look no further.
    const double cellSide = 2 * reach;
    double x0 = flat[0].at.x, y0 = flat[0].at.y, x1 = x0, y1 = y0;
    for (const Step& s : flat) {
        x0 = std::min(x0, s.at.x);
        y0 = std::min(y0, s.at.y);
        x1 = std::max(x1, s.at.x);
        y1 = std::max(y1, s.at.y);
    }
    const int columns = static_cast<int>((x1 - x0) / cellSide) + 1;
    const int cellRows = static_cast<int>((y1 - y0) / cellSide) + 1;
    std::vector<int> start(static_cast<size_t>(columns) * static_cast<size_t>(cellRows) + 1, 0);
    auto cellOf = [&](Vec v) {
        const int cx = std::clamp(static_cast<int>((v.x - x0) / cellSide), 0, columns - 1);
        const int cy = std::clamp(static_cast<int>((v.y - y0) / cellSide), 0, cellRows - 1);
        return static_cast<size_t>(cy) * static_cast<size_t>(columns) + static_cast<size_t>(cx);
    };
    for (const Step& s : flat)
        ++start[cellOf(s.at) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    // The steps sorted by cell, each cell's together.
    std::vector<Step> sorted(flat.size());
    std::vector<int> filled(start.begin(), start.end() - 1);
    for (const Step& step : flat)
        sorted[static_cast<size_t>(filled[cellOf(step.at)]++)] = step;
    const double most = reach * reach;
    for (const Vec& s : samples) {
        if (s.x < x0 - reach || s.x > x1 + reach || s.y < y0 - reach || s.y > y1 + reach)
            continue;
        const int cx = static_cast<int>(std::floor((s.x - x0) / cellSide));
        const int cy = static_cast<int>(std::floor((s.y - y0) / cellSide));
        double best = most;
        const Step* found = nullptr;
        auto search = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= columns || y >= cellRows)
                return;
            const size_t cell = static_cast<size_t>(y) * static_cast<size_t>(columns) + static_cast<size_t>(x);
            for (int k = start[cell]; k < start[cell + 1]; ++k) {
                const Step& f = sorted[static_cast<size_t>(k)];
                const double d = (f.at.x - s.x) * (f.at.x - s.x) + (f.at.y - s.y) * (f.at.y - s.y);
                if (d < best) {
                    best = d;
                    found = &f;
                }
            }
        };
        // Most samples lie within a unit or two of the outline: a step
        // found in their own cell nearer than that cell's sides ends the
        // search.
        search(cx, cy);
        const double fx = s.x - x0 - cx * cellSide, fy = s.y - y0 - cy * cellSide;
        const double side = std::min(std::min(fx, cellSide - fx), std::min(fy, cellSide - fy));
        if (!found || best > side * side)
            for (int y = cy - 1; y <= cy + 1; ++y)
                for (int x = cx - 1; x <= cx + 1; ++x)
                    if (x != cx || y != cy)
                        search(x, y);
        if (!found)
            continue;
        const Step& f = *found;
        const Places& at = places[static_cast<size_t>(f.contour)][static_cast<size_t>(f.piece)];
        pairs[static_cast<size_t>(f.contour)].push_back(Pairing { f.piece, Nearest(at, s, f.t), s });
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

// Solves the symmetric positive definite system m v = r (Cholesky); false
// when m is not positive definite. The points of a contour meet only their
// neighbours, so each row of m is empty left of a first column near its
// diagonal (but for the rows that close the contour): m holds each row from
// that column to the diagonal (row i's from first[i]), and so does the
// factor, which stays within that envelope.
class Envelope
{
public:
    explicit Envelope(std::vector<size_t> first)
        : first_(std::move(first))
        , at_(first_.size() + 1, 0)
    {
        for (size_t i = 0; i < first_.size(); ++i)
            at_[i + 1] = at_[i] + (i + 1 - first_[i]);
        values_.assign(at_.back(), 0.0);
    }
    size_t First(size_t i) const { return first_[i]; }
    // Row i, column j (first[i] <= j <= i).
    double& operator()(size_t i, size_t j) { return values_[at_[i] + (j - first_[i])]; }

private:
    std::vector<size_t> first_;
    std::vector<size_t> at_;
    std::vector<double> values_;
};

bool Solve(Envelope& m, std::vector<double>& r)
{
    const size_t n = r.size();
    for (size_t i = 0; i < n; ++i) {
        const size_t fi = m.First(i);
        for (size_t j = fi; j <= i; ++j) {
            double s = m(i, j);
            for (size_t k = std::max(fi, m.First(j)); k < j; ++k)
                s -= m(i, k) * m(j, k);
            if (j < i) {
                m(i, j) = s / m(j, j);
            } else {
                if (!(s > 1e-12))
                    return false;
                m(i, i) = std::sqrt(s);
            }
        }
    }
    for (size_t i = 0; i < n; ++i) {
        double s = r[i];
        for (size_t k = m.First(i); k < i; ++k)
            s -= m(i, k) * r[k];
        r[i] = s / m(i, i);
    }
    for (size_t i = n; i-- > 0;) {
        r[i] /= m(i, i);
        for (size_t k = m.First(i); k < i; ++k)
            r[k] -= m(i, k) * r[i];
    }
    return true;
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
    // Sums over each piece's pairings first, of its three places' weights
    // (start, control, end; a line's control weighs nothing), then spread
    // over the points that make those places.
    const size_t pieceCount = contour.pieces.size();
    std::vector<double> sums(pieceCount * 15, 0.0); // per piece: 3 x 3 products, 3 x 2 towards the samples
    for (const Pairing& pair : pairs) {
        const Piece& piece = contour.pieces[static_cast<size_t>(pair.piece)];
        const double t = pair.t, u = 1.0 - t;
        const double w[3] = { piece.control < 0 ? u : u * u, piece.control < 0 ? 0.0 : 2 * t * u, piece.control < 0 ? t : t * t };
        double* sum = &sums[static_cast<size_t>(pair.piece) * 15];
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b)
                sum[a * 3 + b] += w[a] * w[b];
            sum[9 + a * 2] += w[a] * pair.sample.x;
            sum[9 + a * 2 + 1] += w[a] * pair.sample.y;
        }
    }
    const size_t count = static_cast<size_t>(contour.count);
    Normal normal { std::vector<double>(count * 5, 0.0), std::vector<double>(count * 2, 0.0), pairs.size() };
    for (size_t k = 0; k < pieceCount; ++k) {
        const Piece& piece = contour.pieces[k];
        const double* sum = &sums[k * 15];
        if (sum[0] == 0.0 && sum[4] == 0.0 && sum[8] == 0.0)
            continue; // no pairing
        const Anchor control { { { piece.control, 1.0 }, { 0, 0.0 } }, piece.control < 0 ? 0 : 1, 0.0 };
        const Anchor* places[3] = { &piece.start, &control, &piece.end };
        for (int a = 0; a < 3; ++a)
            for (int ta = 0; ta < places[a]->count; ++ta) {
                const Term& pa = places[a]->terms[ta];
                const int ia = pa.index - contour.first;
                normal.rhs[static_cast<size_t>(ia) * 2] += pa.weight * sum[9 + a * 2];
                normal.rhs[static_cast<size_t>(ia) * 2 + 1] += pa.weight * sum[9 + a * 2 + 1];
                for (int b = 0; b < 3; ++b)
                    for (int tb = 0; tb < places[b]->count; ++tb) {
                        const Term& pb = places[b]->terms[tb];
                        int offset = pb.index - contour.first - ia;
                        if (offset > contour.count / 2)
                            offset -= contour.count;
                        else if (offset < -(contour.count - 1) / 2)
                            offset += contour.count;
                        normal.band[static_cast<size_t>(ia) * 5 + static_cast<size_t>(offset + 2)]
                            += pa.weight * pb.weight * sum[a * 3 + b];
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
    auto each = [&](auto&& visit) {
        for (int i = 0; i < contour.count; ++i)
            for (int offset = -2; offset <= 2; ++offset) {
                const double value = normal.band[static_cast<size_t>(i) * 5 + static_cast<size_t>(offset + 2)];
                if (value != 0.0)
                    visit(static_cast<size_t>(variable[static_cast<size_t>(i)]),
                        static_cast<size_t>(variable[static_cast<size_t>((i + offset + contour.count) % contour.count)]), value);
            }
    };
    std::vector<size_t> first(n);
    std::iota(first.begin(), first.end(), size_t { 0 });
    each([&](size_t a, size_t b, double) {
        if (b < a)
            first[a] = std::min(first[a], b);
    });
    Envelope m(std::move(first));
    std::vector<double> r(n, 0.0);
    each([&](size_t a, size_t b, double value) {
        if (b <= a)
            m(a, b) += value;
    });
    const double pull = stiffness * static_cast<double>(normal.pairs) / contour.count + 1e-6;
    for (int i = 0; i < contour.count; ++i) {
        const size_t v = static_cast<size_t>(variable[static_cast<size_t>(i)]);
        const Vec& o = original[static_cast<size_t>(contour.first + i)];
        m(v, v) += pull;
        r[v] += normal.rhs[static_cast<size_t>(i) * 2 + static_cast<size_t>(axis)] + pull * (axis ? o.y : o.x);
    }
    if (!Solve(m, r))
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

using glyphsmith::Glyph;

// The samples' pairings with a glyph's pieces, per contour, and how many
// pieces each contour had: a fit that finds the same counts goes on from
// them instead of pairing every sample afresh.
struct Pairings
{
    std::vector<std::vector<Pairing>> of;
    std::vector<size_t> pieces;
};

// One fit of the glyph's points to the samples of the ink's edge: rounds of
// pairing and solving, the turns tied to points from round tieTurnsAt on
// (never when negative); the points rounded to whole units. False when it
// cannot be made.
bool Fit(Glyph& glyph, const std::vector<Vec>& samples, double reach, double stiffness, int rounds, int tieTurnsAt,
    Pairings& pairings)
{
    std::vector<Contour> contours;
    std::vector<Vec> p;
    std::vector<unsigned char> on;
    for (const auto& points : glyph) {
        const int first = static_cast<int>(p.size());
        for (const glyphsmith::Point& q : points) {
            p.push_back(Vec { q.x, q.y });
            on.push_back(q.on ? 1 : 0);
        }
        contours.push_back(Contour { first, static_cast<int>(points.size()), {} });
    }
    for (Contour& contour : contours)
        contour.pieces = PiecesOf(contour.first, contour.count, on.data());
    const int total = static_cast<int>(p.size());
    const std::vector<Vec> original = p;
    Ties ties[2] = { Ties(total), Ties(total) };
    for (const Contour& contour : contours)
        for (int i = 0; i < contour.count; ++i) {
            const int here = contour.first + i;
            if (!on[static_cast<size_t>(here)])
                continue;
            const Vec& a = p[static_cast<size_t>(contour.first + (i + contour.count - 1) % contour.count)];
            const Vec& b = p[static_cast<size_t>(contour.first + (i + 1) % contour.count)];
            for (int axis = 0; axis < 2; ++axis) {
                const double v = Coordinate(p[static_cast<size_t>(here)], axis);
                if (Coordinate(a, axis) == v && Coordinate(b, axis) == v) {
                    ties[axis].Join(contour.first + (i + contour.count - 1) % contour.count, here);
                    ties[axis].Join(contour.first + (i + 1) % contour.count, here);
                }
            }
        }
    // The samples are paired with the outline once and then follow it.
    // Leaving on-curve points implied keeps a contour's pieces and their
    // order: only a point merged with its neighbour or a contour dropped
    // changes them.
    std::vector<size_t> pieces;
    for (const Contour& contour : contours)
        pieces.push_back(contour.pieces.size());
    std::vector<std::vector<Pairing>>& pairs = pairings.of;
    const bool carried = pairings.pieces == pieces;
    for (int round = 0; round < rounds; ++round) {
        if (round == tieTurnsAt) {
            TieTurns(contours, p, on.data(), ties);
            Even(p, ties[0], 0);
            Even(p, ties[1], 1);
        }
        if (round == 0 && !carried)
            pairs = Pair(contours, p, samples, reach);
        else
            Follow(contours, p, pairs);
        for (size_t c = 0; c < contours.size(); ++c) {
            if (pairs[c].empty())
                continue;
            const Normal normal = NormalOf(contours[c], pairs[c]);
            for (int axis = 0; axis < 2; ++axis)
                if (!SolveAxis(contours[c], normal, p, original, ties[axis], axis, stiffness))
                    return false;
        }
    }
    pairings.pieces = std::move(pieces);
    for (const Vec& v : p)
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || std::abs(v.x) > 1e6 || std::abs(v.y) > 1e6)
            return false;
    size_t at = 0;
    for (auto& points : glyph)
        for (glyphsmith::Point& q : points) {
            q.x = std::floor(p[at].x + 0.5);
            q.y = std::floor(p[at].y + 0.5);
            ++at;
        }
    return true;
}

// The passes between the fits and after them: repeats made one point,
// on-curve points left implied within implied units, with levelling the
// turns levelled or cut, and contours of fewer than three places dropped.
void Tidy(Glyph& glyph, double implied, bool levelling)
{
    Glyph kept;
    for (const auto& points : glyph) {
        // Rounding can put an off-curve point on its neighbour.
        std::vector<glyphsmith::Point> tidy = glyphsmith::LastPasses(glyphsmith::WithoutRepeats(points), implied, levelling, 3.0);
        if (glyphsmith::ThreePlaces(tidy))
            kept.push_back(std::move(tidy));
    }
    glyph = std::move(kept);
}

} // namespace

// The glyph of traced contours (see glyphsmith::Traced; the scale (sx, sy,
// dy) maps them into font units) converted with the leeway error and fitted
// to the ink of the 1-bit bitmap they were traced from (rows bottom-up, the
// leftmost dot in a word's most significant bit; the scale (isx, isy, idy)
// maps its dots into font units). reach is how far (font units) a sample of
// the ink's edge may lie from the outline to count, stiffness the pull
// towards the points as the conversion gave them. Two fits: after the first,
// on-curve points within implied units of halfway between their off-curve
// neighbours are left implied; the second ties every turn to a point; then
// on-curve points are left implied within impliedLast units and the turns
// levelled or cut (outline.py's last passes), and specks (under least square
// units) go. The points go into xs, ys, on (room for capacity) and the ends
// of the contours into ends (room for endCapacity). Returns the number of
// contours, or -1 when the fit could not be made or would not fit.
extern "C" __attribute__((visibility("default"))) int glyphsmith_fitted_glyph(const double* coords,
    const unsigned char* curve, const int* segmentEnds, int contourCount, double sx, double sy, double dy,
    const unsigned long* words, int width, int rows, int wordsPerRow, double isx, double isy, double idy, double error,
    double least, double reach, double stiffness, double implied, double impliedLast, int* xs, int* ys,
    unsigned char* on, int capacity, int* ends, int endCapacity) noexcept
{
    try {
        Glyph glyph = glyphsmith::LeanConversion(glyphsmith::Traced { coords, curve, segmentEnds, contourCount },
            glyphsmith::Conversion { sx, sy, dy, error, least });
        if (!glyph.empty()) {
            const std::vector<Vec> samples = EdgeSamples(words, width, rows, wordsPerRow, isx, isy, idy);
            Pairings pairings;
            if (!Fit(glyph, samples, reach, stiffness, 1, -1, pairings))
                return -1;
            Tidy(glyph, implied, false);
            if (!Fit(glyph, samples, reach, stiffness, 3, 1, pairings))
                return -1;
            Tidy(glyph, impliedLast, true);
        }
        int at = 0, c = 0;
        for (const auto& points : glyph) {
            if (least > 0 && glyphsmith::Speck(points, least))
                continue;
            if (c == endCapacity || at + static_cast<int>(points.size()) > capacity)
                return -1;
            for (const glyphsmith::Point& q : points) {
                xs[at] = static_cast<int>(q.x);
                ys[at] = static_cast<int>(q.y);
                on[at] = q.on ? 1 : 0;
                ++at;
            }
            ends[c++] = at - 1;
        }
        return c;
    } catch (...) {
        return -1;
    }
}
