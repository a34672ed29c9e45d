#include "purpose/fractionaldelay.h"

#include "cascade/roots.h"
#include "common/displaynumbers.h"
#include "common/errors.h"

#include <cmath>

namespace zorkan {

std::vector<double> thiranDenominator(double delay, int order) {
    std::vector<double> a(static_cast<std::size_t>(order) + 1);
    long double binomial = 1; // C(N, k)
    for (int k = 0; k <= order; ++k) {
        long double product = 1;
        for (int n = 0; n <= order; ++n)
            product *= (static_cast<long double>(delay) - order + n) /
                       (static_cast<long double>(delay) - order + k + n);
        a[static_cast<std::size_t>(k)] =
            static_cast<double>((k % 2 == 0 ? 1 : -1) * binomial * product);
        binomial = binomial * (order - k) / (k + 1);
    }
    return a;
}

int thiranOrder(const FractionalDelayRequest& request) {
    return request.order != 0 ? request.order : static_cast<int>(std::lround(request.delay));
}

DesignedSections allPassSections(const std::vector<double>& denominator) {
    const int degree = static_cast<int>(denominator.size()) - 1;
    std::vector<std::complex<long double>> poles;
    for (const PolynomialRoot& r : rootsWithMultiplicity(denominator.data(), degree))
        poles.push_back(r.z);
    std::vector<SecondOrderSection> sections;
    for (const RootFactor& f : rootFactors(poles, 0)) {
        SecondOrderSection s;
        for (int i = 0; i < 3; ++i)
            s.den[i] = static_cast<double>(f.c[i]);
        // The numerator is the denominator reversed over the factor's degree.
        for (int i = 0; i <= f.degree; ++i)
            s.num[i] = s.den[f.degree - i];
        for (int i = f.degree + 1; i < 3; ++i)
            s.num[i] = 0;
        sections.push_back(s);
    }
    return fromSecondOrder(sections, static_cast<unsigned>(degree));
}

DesignedSections designFractionalDelay(const FractionalDelayRequest& request) {
    const double d = request.delay;
    if (!std::isfinite(d) || !(d > 0))
        throw UserMessage("Задержка D должна быть больше нуля");
    const int n = thiranOrder(request);
    if (n < 1 || n > maxThiranOrder)
        throw UserMessage("Порядок N должен быть от 1 до " + std::to_string(maxThiranOrder));
    if (!(d > n - 1))
        throw UserMessage("Задержка D = " + formatGeneral(d, '.') +
                          " должна быть больше N - 1 = " + std::to_string(n - 1) +
                          ": иначе фильтр порядка " + std::to_string(n) + " неустойчив");
    return allPassSections(thiranDenominator(d, n));
}

} // namespace zorkan
