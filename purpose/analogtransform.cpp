#include "purpose/analogtransform.h"

#include "cascade/roots.h"
#include "common/displaynumbers.h"
#include "common/errors.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace zorkan {

namespace {

using creal = std::complex<long double>;

// The coefficients from the first that is not zero.
std::vector<double> withoutLeadingZeros(const std::vector<double>& c) {
    auto first = std::find_if(c.begin(), c.end(), [](double v) { return v != 0; });
    return {first, c.end()};
}

std::vector<creal> rootsOf(const std::vector<double>& c) {
    std::vector<creal> roots;
    if (c.size() > 1)
        for (const PolynomialRoot& r :
             rootsWithMultiplicity(c.data(), static_cast<int>(c.size()) - 1))
            roots.push_back(r.z);
    return roots;
}

creal valueAt(const std::vector<double>& c, creal s) {
    creal v = 0;
    for (double x : c)
        v = v * s + static_cast<long double>(x);
    return v;
}

std::string rootText(creal s) {
    std::string text = formatGeneral(static_cast<double>(s.real()), '.');
    if (s.imag() != 0)
        text += (s.imag() < 0 ? " - j" : " + j") +
                formatGeneral(static_cast<double>(std::abs(s.imag())), '.');
    return text;
}

struct DigitalRoots {
    std::vector<creal> zeros, poles;
    int delays = 0;
    long double gain = 1;
};

// Each analog factor (s - r) becomes ((K - r) - (K + r) z^-1) / (1 + z^-1).
DigitalRoots bilinear(const std::vector<creal>& zeros, const std::vector<creal>& poles,
                      long double gain, long double k) {
    DigitalRoots d;
    creal g = gain;
    for (const creal& r : zeros) {
        if (k - r == creal(0)) {
            ++d.delays;
            g *= -(k + r);
        } else {
            d.zeros.push_back((k + r) / (k - r));
            g *= k - r;
        }
    }
    for (const creal& r : poles) {
        if (k - r == creal(0))
            throw UserMessage("Полюс H(s) s = " + rootText(r) +
                              " переходит при билинейном преобразовании в бесконечность");
        d.poles.push_back((k + r) / (k - r));
        g /= k - r;
    }
    for (std::size_t i = zeros.size(); i < poles.size(); ++i)
        d.zeros.emplace_back(-1, 0);
    d.gain = g.real();
    return d;
}

// Exact conjugates stay exact conjugates through exp.
creal expOf(const creal& s, long double t) {
    return std::exp(s * t);
}

DigitalRoots matched(const std::vector<creal>& zeros, const std::vector<creal>& poles,
                     long double gain, double fd) {
    DigitalRoots d;
    const long double t = 1.0L / fd;
    for (const creal& r : zeros)
        d.zeros.push_back(expOf(r, t));
    for (const creal& r : poles)
        d.poles.push_back(expOf(r, t));
    for (std::size_t i = zeros.size(); i < poles.size(); ++i)
        d.zeros.emplace_back(-1, 0);
    const bool atZero =
        std::none_of(zeros.begin(), zeros.end(), [](creal r) { return r == creal(0); }) &&
        std::none_of(poles.begin(), poles.end(), [](creal r) { return r == creal(0); });
    const creal s = atZero ? creal(0) : creal(0, std::numbers::pi_v<long double> * fd / 2);
    const creal z = atZero ? creal(1) : creal(0, 1);
    creal analog = gain, digital = 1;
    for (const creal& r : zeros)
        analog *= s - r;
    for (const creal& r : poles)
        analog /= s - r;
    for (const creal& q : d.zeros)
        digital *= 1.0L - q / z;
    for (const creal& q : d.poles)
        digital /= 1.0L - q / z;
    d.gain = atZero ? (analog / digital).real()
                    : std::abs(analog) / std::abs(digital) * (gain < 0 ? -1 : 1);
    return d;
}

DigitalRoots impulse(const std::vector<double>& num, const std::vector<double>& den,
                     const std::vector<creal>& poles, double fd) {
    const std::size_t n = den.size() - 1;
    if (num.size() - 1 >= n)
        throw UserMessage("Для инвариантности импульсной характеристики степень числителя "
                          "H(s) должна быть меньше степени знаменателя");
    for (std::size_t i = 0; i < poles.size(); ++i)
        for (std::size_t j = i + 1; j < poles.size(); ++j)
            if (poles[i] == poles[j])
                throw UserMessage("Инвариантность импульсной характеристики рассчитывается "
                                  "только для простых полюсов H(s); кратный полюс s = " +
                                  rootText(poles[i]));
    const long double t = 1.0L / fd;
    // D'(s) coefficients.
    std::vector<double> derivative;
    for (std::size_t i = 0; i < n; ++i)
        derivative.push_back(den[i] * static_cast<double>(n - i));
    std::vector<creal> q;
    for (const creal& p : poles)
        q.push_back(expOf(p, t));
    // H(z) = T sum r_i / (1 - q_i w) = c(w) / prod (1 - q_j w).
    std::vector<creal> c(n, creal(0));
    for (std::size_t i = 0; i < n; ++i) {
        const creal residue = valueAt(num, poles[i]) / valueAt(derivative, poles[i]);
        std::vector<creal> term{residue * t};
        for (std::size_t j = 0; j < n; ++j) {
            if (j == i)
                continue;
            term.push_back(0);
            for (std::size_t k = term.size() - 1; k > 0; --k)
                term[k] -= q[j] * term[k - 1];
        }
        for (std::size_t k = 0; k < n; ++k)
            c[k] += term[k];
    }
    std::vector<double> coefficients;
    for (const creal& v : c)
        coefficients.push_back(static_cast<double>(v.real()));
    // The first sample is h(0+) / FD exactly: b0 / a0 / FD for a numerator one degree
    // lower than the denominator, else 0.
    coefficients[0] = num.size() == n ? static_cast<double>(t * num[0] / den[0]) : 0.0;
    DigitalRoots d;
    d.poles = q;
    while (d.delays < static_cast<int>(n) && coefficients[static_cast<std::size_t>(d.delays)] == 0)
        ++d.delays;
    const std::vector<double> rest(coefficients.begin() + d.delays, coefficients.end());
    if (rest.empty())
        throw UserMessage("Импульсная характеристика H(s) равна нулю");
    d.gain = rest.front();
    d.zeros = rootsOf(rest);
    return d;
}

} // namespace

DesignedSections designFromAnalog(const AnalogRequest& request) {
    checkSampling(request.fd);
    const std::vector<double> num = withoutLeadingZeros(request.numerator);
    const std::vector<double> den = withoutLeadingZeros(request.denominator);
    for (double v : request.numerator)
        if (!std::isfinite(v))
            throw UserMessage("Коэффициенты числителя H(s) должны быть конечными числами");
    for (double v : request.denominator)
        if (!std::isfinite(v))
            throw UserMessage("Коэффициенты знаменателя H(s) должны быть конечными числами");
    if (den.empty())
        throw UserMessage("Знаменатель H(s) равен нулю");
    if (num.empty())
        throw UserMessage("Числитель H(s) равен нулю");
    if (num.size() > den.size())
        throw UserMessage("Степень знаменателя H(s) (" + std::to_string(den.size() - 1) +
                          ") меньше степени числителя (" + std::to_string(num.size() - 1) +
                          "): такой фильтр нельзя реализовать");
    if (den.size() - 1 > 2 * 32)
        throw UserMessage("Степень знаменателя H(s) не может быть больше 64");
    const std::vector<creal> zeros = rootsOf(num);
    const std::vector<creal> poles = rootsOf(den);
    if (!request.allowUnstable)
        for (const creal& p : poles)
            if (p.real() >= 0)
                throw UserMessage("Полюс H(s) s = " + rootText(p) +
                                  " лежит в правой полуплоскости или на мнимой оси: цифровой "
                                  "фильтр будет неустойчив (рассчитать его можно с "
                                  "--allow-unstable)");
    const long double gain = static_cast<long double>(num.front()) / den.front();
    DigitalRoots d;
    switch (request.method) {
    case AnalogMethod::Bilinear:
    case AnalogMethod::Prewarp: {
        long double k = 2.0L * request.fd;
        if (request.method == AnalogMethod::Prewarp || request.prewarp != 0) {
            checkFrequency(request.prewarp, request.fd, "Частота предыскажения F");
            k = 2 * std::numbers::pi_v<long double> * request.prewarp /
                std::tan(std::numbers::pi_v<long double> * request.prewarp / request.fd);
        }
        d = bilinear(zeros, poles, gain, k);
        break;
    }
    case AnalogMethod::Matched:
        d = matched(zeros, poles, gain, request.fd);
        break;
    case AnalogMethod::Impulse:
        d = impulse(num, den, poles, request.fd);
        break;
    }
    const unsigned order = static_cast<unsigned>(std::max<std::size_t>(den.size() - 1, 1));
    std::vector<SecondOrderSection> sections =
        sectionsFromRoots(d.zeros, d.delays, d.poles, d.gain);
    if (sections.empty()) {
        sections.emplace_back();
        sections.front().num[0] = static_cast<double>(d.gain);
    }
    return fromSecondOrder(sections, order);
}

} // namespace zorkan
