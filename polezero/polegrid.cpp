// The grids of realisable pole pairs. Each grid is a set of rows: positions of one a2
// (or k2) lie on a circle of radius sqrt(a2), evenly spaced in the real part; positions
// of one beta lie on a horizontal line, evenly spaced. Along a row the positions in the
// region form at most two runs of consecutive indices.
#include "polezero/polegrid.h"

#include "common/errors.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace zorkan {

namespace {

__extension__ typedef __int128 Wide;

enum class Family { DirectForm, Normal, Lattice };

Family familyOf(Structure structure) {
    switch (structure) {
    case Structure::Normal:
        return Family::Normal;
    case Structure::Lattice:
        return Family::Lattice;
    case Structure::Optimal:
        throw UserMessage("У оптимальной структуры нет своей сетки полюсов: ее коэффициенты "
                          "зависят и от нулей секции");
    default:
        return Family::DirectForm;
    }
}

struct Run {
    std::int64_t a = 0, b = -1;
};

struct Row {
    Run runs[2];
    int count = 0;
};

class Grid {
  public:
    Grid(Structure structure, int coefBits, const GridRegion& region)
        : family_(familyOf(structure)), bits_(coefBits), region_(region) {
        m_ = std::int64_t{1} << (coefBits - 1);
        step_ = std::ldexp(1.0, -(coefBits - 1));
        // Direct form: a2 = j 2^-(C-2) < 1; the others: k2 or beta = j 2^-(C-1) < 1.
        rows_ = family_ == Family::DirectForm ? (std::int64_t{1} << (coefBits - 2)) - 1 : m_ - 1;
        row_.resize(static_cast<std::size_t>(rows_) + 1);
        for (std::int64_t j = 1; j <= rows_; ++j)
            row_[static_cast<std::size_t>(j)] = runsOf(j);
    }

    std::int64_t rows() const { return rows_; }
    const Row& row(std::int64_t j) const { return row_[static_cast<std::size_t>(j)]; }
    bool circles() const { return family_ != Family::Normal; }

    // The position of row j and index t (t counts the real part upwards).
    std::complex<double> point(std::int64_t j, std::int64_t t) const {
        switch (family_) {
        case Family::DirectForm: {
            // a1 = -t 2^-(C-2): re = -a1 / 2, im^2 = a2 - a1^2 / 4 = (2^-(C-1))^2 (j 2^C - t^2).
            const double half = std::ldexp(1.0, -(bits_ - 1));
            const double n = static_cast<double>((j << bits_) - t * t);
            return {static_cast<double>(t) * half, half * std::sqrt(n)};
        }
        case Family::Lattice: {
            // k1 = -t / M, k2 = j / M: re = t (M + j) / (2 M^2),
            // im^2 = k2 - re^2 = (4 j M^3 - t^2 (M + j)^2) / (4 M^4).
            const Wide mj = m_ + j;
            const Wide n = Wide{4} * j * m_ * m_ * m_ - Wide{t} * t * mj * mj;
            const long double scale = 2.0L * static_cast<long double>(m_) * m_;
            return {static_cast<double>(static_cast<long double>(t) * (m_ + j) / scale),
                    static_cast<double>(std::sqrt(static_cast<long double>(n)) / scale)};
        }
        case Family::Normal:
            break;
        }
        return {static_cast<double>(t) * step_, static_cast<double>(j) * step_};
    }

    // The radius of a circle row.
    double radius(std::int64_t j) const {
        return family_ == Family::DirectForm
                   ? std::sqrt(std::ldexp(static_cast<double>(j), -(bits_ - 2)))
                   : std::sqrt(static_cast<double>(j) * step_);
    }
    // The spacing of the real parts along a circle row.
    double spacing(std::int64_t j) const {
        return family_ == Family::DirectForm
                   ? std::ldexp(1.0, -(bits_ - 1))
                   : static_cast<double>(m_ + j) / (2.0 * static_cast<double>(m_) * m_);
    }

    // The smallest distance from p to any position of row j but p itself (index `self`,
    // or none), infinity for an empty row.
    double nearestOnRow(std::int64_t j, std::complex<double> p, std::int64_t self,
                        bool excludeSelf) const {
        double best = std::numeric_limits<double>::infinity();
        const Row& r = row(j);
        double target;
        if (circles())
            target = radius(j) * p.real() / std::abs(p) / spacing(j);
        else
            target = p.real() / step_;
        const std::int64_t below = static_cast<std::int64_t>(std::floor(target));
        for (int k = 0; k < r.count; ++k) {
            const Run& run = r.runs[k];
            const auto consider = [&](std::int64_t t) {
                t = std::clamp(t, run.a, run.b);
                if (excludeSelf && t == self)
                    return;
                best = std::min(best, std::abs(point(j, t) - p));
            };
            if (excludeSelf && self >= run.a && self <= run.b) {
                if (self > run.a)
                    consider(self - 1);
                if (self < run.b)
                    consider(self + 1);
            } else {
                consider(below);
                consider(below + 1);
            }
        }
        return best;
    }

    // A distance no row j position can be nearer to p than.
    double rowBound(std::int64_t j, std::complex<double> p, double pRadius) const {
        return circles() ? std::abs(radius(j) - pRadius)
                         : std::abs(static_cast<double>(j) * step_ - p.imag());
    }

    // The distance from position (j, t) to its nearest other one, or any value not above
    // `enough` once one is found within it.
    double nearest(std::int64_t j, std::int64_t t, double enough) const {
        const std::complex<double> p = point(j, t);
        const double pRadius = circles() ? radius(j) : std::abs(p);
        double best = nearestOnRow(j, p, t, true);
        bool up = true, down = true;
        for (std::int64_t d = 1; (up || down) && best > enough; ++d) {
            if (up) {
                if (j + d > rows_ || rowBound(j + d, p, pRadius) >= best)
                    up = false;
                else
                    best = std::min(best, nearestOnRow(j + d, p, 0, false));
            }
            if (down && best > enough) {
                if (j - d < 1 || rowBound(j - d, p, pRadius) >= best)
                    down = false;
                else
                    best = std::min(best, nearestOnRow(j - d, p, 0, false));
            }
        }
        return best;
    }

  private:
    bool inRegion(std::int64_t j, std::int64_t t) const {
        const std::complex<double> p = point(j, t);
        const double r = circles() ? radius(j) : std::abs(p);
        const double theta = std::arg(p);
        return r >= region_.r0 && r <= region_.r1 && theta >= region_.theta0 &&
               theta <= region_.theta1;
    }

    // The largest |t| of a complex pair inside the unit circle in row j (-1: none).
    std::int64_t widest(std::int64_t j) const {
        const auto fits = [&](std::int64_t t) {
            switch (family_) {
            case Family::DirectForm:
                return t * t < (j << bits_);
            case Family::Lattice: {
                const Wide mj = m_ + j;
                return t < m_ && Wide{t} * t * mj * mj < Wide{4} * j * m_ * m_ * m_;
            }
            case Family::Normal:
                break;
            }
            return t * t + j * j < m_ * m_;
        };
        return lastTrue(0, m_, fits);
    }

    // Monotone searches on [lo, hi]: the last t where `holds` is true (holding from lo
    // up to it), or lo - 1; the first t where it is true (holding from it up to hi), or
    // hi + 1.
    template <class P> static std::int64_t lastTrue(std::int64_t lo, std::int64_t hi, P holds) {
        if (lo > hi || !holds(lo))
            return lo - 1;
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo + 1) / 2;
            if (holds(mid))
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    }
    template <class P> static std::int64_t firstTrue(std::int64_t lo, std::int64_t hi, P holds) {
        if (lo > hi || !holds(hi))
            return hi + 1;
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (holds(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }

    Row runsOf(std::int64_t j) const {
        Row out;
        const std::int64_t w = widest(j);
        if (w < 0)
            return out;
        // The angle falls as t grows; every position above the axis has one in (0, pi).
        const std::int64_t lo =
            region_.theta1 >= std::numbers::pi ? -w : firstTrue(-w, w, [&](std::int64_t t) {
                return std::arg(point(j, t)) <= region_.theta1;
            });
        const std::int64_t hi = region_.theta0 <= 0 ? w : lastTrue(-w, w, [&](std::int64_t t) {
            return std::arg(point(j, t)) >= region_.theta0;
        });
        if (lo > hi)
            return out;
        if (circles()) {
            const double r = radius(j);
            if (r >= region_.r0 && r <= region_.r1)
                out.runs[out.count++] = {lo, hi};
            return out;
        }
        // On a line the radius grows with |t|: |t| from e0 to e1.
        const auto radiusAt = [&](std::int64_t t) { return std::abs(point(j, t)); };
        const std::int64_t e1 =
            lastTrue(0, w, [&](std::int64_t t) { return radiusAt(t) <= region_.r1; });
        const std::int64_t e0 =
            firstTrue(0, w, [&](std::int64_t t) { return radiusAt(t) >= region_.r0; });
        if (e0 > e1)
            return out;
        const auto add = [&](std::int64_t a, std::int64_t b) {
            a = std::max(a, lo);
            b = std::min(b, hi);
            if (a <= b)
                out.runs[out.count++] = {a, b};
        };
        if (e0 == 0) {
            add(-e1, e1);
        } else {
            add(-e1, -e0);
            add(e0, e1);
        }
        return out;
    }

    Family family_;
    int bits_;
    GridRegion region_;
    std::int64_t m_ = 0;
    double step_ = 0;
    std::int64_t rows_ = 0;
    std::vector<Row> row_;
};

// The smaller distance from position t of a run to its neighbours within the run.
double neighbourBound(const Grid& grid, std::int64_t j, const Run& run, std::int64_t t) {
    const std::complex<double> p = grid.point(j, t);
    double bound = std::numeric_limits<double>::infinity();
    if (t > run.a)
        bound = std::min(bound, std::abs(grid.point(j, t - 1) - p));
    if (t < run.b)
        bound = std::min(bound, std::abs(grid.point(j, t + 1) - p));
    return bound;
}

} // namespace

void checkGridBits(std::int64_t coefBits) {
    if (coefBits < gridMinimumBits || coefBits > gridMaximumBits)
        throw UserMessage("Разрядность коэффициентов должна быть от " +
                          std::to_string(gridMinimumBits) + " до " +
                          std::to_string(gridMaximumBits));
}

void checkGridRequest(Structure structure, int coefBits, const GridRegion& region) {
    familyOf(structure);
    checkGridBits(coefBits);
    if (!(region.r0 >= 0 && region.r0 < region.r1 && region.r1 <= 1))
        throw UserMessage("Радиусы области должны идти по порядку: 0 <= r0 < r1 <= 1");
    if (!(region.theta0 >= 0 && region.theta0 < region.theta1 && region.theta1 <= std::numbers::pi))
        throw UserMessage("Углы области должны идти по порядку: 0 <= θ0 < θ1 <= π");
}

PoleGridFigures poleGridFigures(Structure structure, int coefBits, const GridRegion& region) {
    checkGridRequest(structure, coefBits, region);
    const Grid grid(structure, coefBits, region);
    PoleGridFigures figures;
    for (std::int64_t j = 1; j <= grid.rows(); ++j)
        for (int k = 0; k < grid.row(j).count; ++k)
            figures.count += grid.row(j).runs[k].b - grid.row(j).runs[k].a + 1;
    if (figures.count < 2)
        return figures;

    // Along a row the distance between neighbours only falls towards the row's top (it
    // is constant on a line), so once a position from either end of a run has a
    // neighbour within the largest gap found, the positions between have one too.
    // The ends of the runs first, where the gaps are: the largest gap found there spares
    // the search of most positions.
    double largest = 0;
    for (std::int64_t j = 1; j <= grid.rows(); ++j)
        for (int k = 0; k < grid.row(j).count; ++k) {
            const Run& run = grid.row(j).runs[k];
            largest = std::max(largest, grid.nearest(j, run.a, largest));
            if (run.b != run.a)
                largest = std::max(largest, grid.nearest(j, run.b, largest));
        }
    for (std::int64_t j = 1; j <= grid.rows(); ++j)
        for (int k = 0; k < grid.row(j).count; ++k) {
            const Run& run = grid.row(j).runs[k];
            std::int64_t t = run.a;
            for (; t <= run.b && neighbourBound(grid, j, run, t) > largest; ++t)
                largest = std::max(largest, grid.nearest(j, t, largest));
            for (std::int64_t u = run.b; u > t && neighbourBound(grid, j, run, u) > largest; --u)
                largest = std::max(largest, grid.nearest(j, u, largest));
        }
    figures.largestGap = largest;
    return figures;
}

void forEachGridPoint(Structure structure, int coefBits, const GridRegion& region,
                      const std::function<void(std::complex<double>)>& point) {
    checkGridRequest(structure, coefBits, region);
    const Grid grid(structure, coefBits, region);
    for (std::int64_t j = 1; j <= grid.rows(); ++j)
        for (int k = 0; k < grid.row(j).count; ++k)
            for (std::int64_t t = grid.row(j).runs[k].a; t <= grid.row(j).runs[k].b; ++t)
                point(grid.point(j, t));
}

QuantisedPole quantisedPole(Structure structure, int coefBits, std::complex<double> p) {
    const Family family = familyOf(structure);
    checkGridBits(coefBits);
    if (p.imag() < 0)
        p = std::conj(p);
    const std::int64_t top = std::int64_t{1} << (coefBits - 1);
    const auto word = [&](long double v, long double unit, std::int64_t lowest) {
        return std::clamp<std::int64_t>(std::llround(v / unit), lowest, top - 1);
    };
    QuantisedPole q;
    long double a1 = 0, a2 = 0;
    const long double re = p.real(), im = p.imag();
    if (family == Family::Normal) {
        const long double unit = std::ldexp(1.0L, -(coefBits - 1));
        const long double alpha = static_cast<long double>(word(re, unit, -top)) * unit;
        const long double beta = static_cast<long double>(word(im, unit, -top)) * unit;
        q.z = {static_cast<double>(alpha), static_cast<double>(std::abs(beta))};
        q.pair = beta != 0;
        q.distance = std::abs(q.z - p);
        return q;
    }
    if (family == Family::DirectForm) {
        const long double unit = std::ldexp(1.0L, -(coefBits - 2));
        a1 = static_cast<long double>(word(-2 * re, unit, -top)) * unit;
        a2 = static_cast<long double>(word(re * re + im * im, unit, -top)) * unit;
    } else {
        const long double unit = std::ldexp(1.0L, -(coefBits - 1));
        const long double k2 =
            static_cast<long double>(word(re * re + im * im, unit, 1 - top)) * unit;
        const long double k1 =
            static_cast<long double>(word(-2 * re / (1 + re * re + im * im), unit, 1 - top)) * unit;
        a2 = k2;
        a1 = k1 * (1 + k2);
    }
    // The roots of z^2 + a1 z + a2.
    const long double d = a2 - a1 * a1 / 4;
    if (d > 0) {
        q.z = {static_cast<double>(-a1 / 2), static_cast<double>(std::sqrt(d))};
    } else {
        const long double s = std::sqrt(-d);
        const std::complex<double> z1(static_cast<double>(-a1 / 2 + s)),
            z2(static_cast<double>(-a1 / 2 - s));
        q.pair = false;
        q.z = std::abs(z1 - p) <= std::abs(z2 - p) ? z1 : z2;
    }
    q.distance = std::abs(q.z - p);
    return q;
}

} // namespace zorkan
