// FIR design: least squares and Kaiser window against SciPy's firls, firwin and kaiserord;
// the equiripple design's alternation, attenuation and smallest lengths against SciPy's
// remez; half-band zeros, antisymmetry, the minimum-phase factor, the figures of closed
// forms and the refusals.
#include "common/errors.h"
#include "fir/firdesign.h"
#include "fir/kaiser.h"
#include "fir/minimumphase.h"

#include <gtest/gtest.h>

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

namespace zorkan {
namespace {

constexpr double pi = std::numbers::pi;

FirRequest request(FirBandType type, std::vector<double> pass, std::vector<double> stop,
                   double ripple, double attenuation) {
    FirRequest rq;
    rq.type = type;
    rq.pass = std::move(pass);
    rq.stop = std::move(stop);
    rq.ripple = ripple;
    rq.attenuation = attenuation;
    return rq;
}

void expectTaps(const std::vector<double>& got, const std::vector<double>& want, double tolerance,
                const std::string& name) {
    ASSERT_EQ(got.size(), want.size()) << name;
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], tolerance) << name << " tap " << i;
}

// Constants printed by SciPy 1.10: firls(N, bands, desired, weight=w, fs=1).
const std::vector<double> firlsLowPass31 = {
    0.005704035858066658,  0.0035610319796577153, -0.007972059243269236, -0.010590062552149788,
    0.006870570087817979,  0.019473556503890987,  -0.001172361504470546, -0.029584708578537365,
    -0.011571401316945671, 0.03970322199618821,   0.03603656471723122,   -0.048371122256054236,
    -0.08801266354344703,  0.054222321420555726,  0.31201082571816946,   0.44371086239896734,
    0.31201082571816946,   0.054222321420555726,  -0.08801266354344703,  -0.048371122256054236,
    0.03603656471723122,   0.03970322199618821,   -0.011571401316945671, -0.029584708578537365,
    -0.001172361504470546, 0.019473556503890987,  0.006870570087817979,  -0.010590062552149788,
    -0.007972059243269236, 0.0035610319796577153, 0.005704035858066658};
const std::vector<double> firlsBandPass41 = {
    0.0026866933407757453, 0.0016207577153002886,  -0.0076080708141641525, -0.005778859600860849,
    0.0030060744659565694, -0.0020402186575276702, 0.007697592800669707,   0.023169537172894092,
    -0.004672623978556068, -0.017965695385501065,  -0.0008301482957939105, -0.033019365770473305,
    -0.023241176610108362, 0.06009236843598854,    0.03307123770911888,    0.0036339401678265396,
    0.0762280347523186,    -0.08373825498422258,   -0.2842552300177542,    0.053680609091944435,
    0.3953512848733371,    0.053680609091944435,   -0.2842552300177542,    -0.08373825498422258,
    0.0762280347523186,    0.0036339401678265396,  0.03307123770911888,    0.06009236843598854,
    -0.023241176610108362, -0.033019365770473305,  -0.0008301482957939105, -0.017965695385501065,
    -0.004672623978556068, 0.023169537172894092,   0.007697592800669707,   -0.0020402186575276702,
    0.0030060744659565694, -0.005778859600860849,  -0.0076080708141641525, 0.0016207577153002886,
    0.0026866933407757453};
const std::vector<double> firlsBandStop45 = {
    -0.004254439642446175, 5.916865037861584e-16,   0.000538019309778925,   4.725483197029122e-16,
    0.011379285505586268,  -9.23740424996449e-16,   -0.0008371765065053808, -7.348337565798455e-16,
    -0.02396764115215315,  1.222201566958676e-15,   0.0011656757206447797,  1.1802146667071627e-15,
    0.04655425945814387,   -1.5931717972006355e-15, -0.0014563003970337414, -1.4919384831551395e-15,
    -0.0950701001769402,   1.7720231131375871e-15,  0.001655467881512194,   1.8268675163593076e-15,
    0.3144965920120751,    -1.548193073895907e-15,  0.49827372800748815,    -1.548193073895907e-15,
    0.3144965920120751,    1.8268675163593076e-15,  0.001655467881512194,   1.7720231131375871e-15,
    -0.0950701001769402,   -1.4919384831551395e-15, -0.0014563003970337414, -1.5931717972006355e-15,
    0.04655425945814387,   1.1802146667071627e-15,  0.0011656757206447797,  1.222201566958676e-15,
    -0.02396764115215315,  -7.348337565798455e-16,  -0.0008371765065053808, -9.23740424996449e-16,
    0.011379285505586268,  4.725483197029122e-16,   0.000538019309778925,   5.916865037861584e-16,
    -0.004254439642446175};

TEST(FirDesignTest, LeastSquaresEqualsFirls) {
    struct Case {
        const char* name;
        FirRequest rq;
        std::vector<double> weights;
        std::size_t taps;
        const std::vector<double>& want;
    };
    const Case cases[] = {
        {"lowpass",
         request(FirBandType::LowPass, {0.2}, {0.25}, 1, 40),
         {1, 10},
         31,
         firlsLowPass31},
        {"bandpass",
         request(FirBandType::BandPass, {0.15, 0.3}, {0.1, 0.36}, 1, 40),
         {5, 1, 5},
         41,
         firlsBandPass41},
        {"bandstop",
         request(FirBandType::BandStop, {0.1, 0.4}, {0.15, 0.35}, 1, 40),
         {1, 3, 1},
         45,
         firlsBandStop45},
    };
    for (const Case& c : cases) {
        FirRequest rq = c.rq;
        rq.weights = c.weights;
        FirOptions options;
        options.method = FirMethod::LeastSquares;
        options.taps = c.taps;
        expectTaps(designFir(rq, options).taps, c.want, 1e-10, c.name);
    }
}

// A long filter with a wide free transition band: its normal equations are so badly
// conditioned that a solution in double precision is off by about 1e-7 (SciPy's firls
// too). The centre tap and the upper half h[52..104] of the exact solution, the normal
// equations solved with 60 significant digits (mpmath).
const std::vector<double> exactLeastSquaresLowPass105 = {
    0.1584000270040431,      0.15160363625897272,     0.13232622855706644,
    0.10367454741531489,     0.070118415515938601,    0.036602830387148226,
    0.0076071518114729933,   -0.013641077156973845,   -0.025636460065087692,
    -0.028672128094862342,   -0.024540892025007369,   -0.015964968971756543,
    -0.005910729622754525,   0.0030455178920989001,   0.009166588989694675,
    0.01174518804642905,     0.011034488426593375,    0.0079787085770773158,
    0.0038420494999398124,   -0.00015783268560944427, -0.0031257236014773132,
    -0.0046263959945828381,  -0.0046797079287312204,  -0.0036456599020264252,
    -0.0020528311010489827,  -0.00042646814665455449, 0.0008400121558886953,
    0.0015477194146143445,   0.001689359833000953,    0.001398164691358453,
    0.00087462506705599625,  0.00031629155108440344,  -0.00013157062563679908,
    -0.00039715977602994474, -0.00047759014117992643, -0.00041747834978879471,
    -0.00028164129888604423, -0.00013125511314062799, -8.977487352113349e-06,
    6.5755360171243819e-05,  9.3368581148679558e-05,  8.6482124574200134e-05,
    6.1680920451933239e-05,  3.3323805697095893e-05,  1.044620395940317e-05,
    -3.5191751559075957e-06, -9.2442517218537392e-06, -9.4217450935900812e-06,
    -6.9960246596816025e-06, -4.1357506837568496e-06, -1.948913962115405e-06,
    -6.897695433237649e-07,  -1.4967439623864089e-07};

TEST(FirDesignTest, LeastSquaresOfALongFilterEqualsTheExactSolution) {
    FirRequest rq = request(FirBandType::LowPass, {0.04}, {0.12}, 1, 40);
    rq.weights = {1, 1};
    FirOptions options;
    options.method = FirMethod::LeastSquares;
    options.taps = 105;
    const std::vector<double> h = designFir(rq, options).taps;
    ASSERT_EQ(h.size(), 105u);
    const std::vector<double> upperHalf(h.begin() + 52, h.end());
    expectTaps(upperHalf, exactLeastSquaresLowPass105, 1e-10, "lowpass 105");
}

// firwin(N, cut-offs, window=('kaiser', beta), pass_zero=..., fs=1) with N and beta from
// kaiserord(max(B1, -20 log10 dp), width / 0.5), N made odd for high-pass and band-stop.
const std::vector<double> firwinLowPass = {
    0.00017288165210789283,  -2.1237144511224314e-05, -0.00038460975254492845,
    -0.00012282522244633356, 0.0006419997877336901,   0.0004678818152729404,
    -0.0008604009881639273,  -0.0010697975873144674,  0.0009017026543070901,
    0.0019332997506288376,   -0.0005864618408122056,  -0.00298059849929172,
    -0.0002770503440492001,  0.0040280414200123005,   0.0018487162938724629,
    -0.004778537274073453,   -0.004203261103525612,   0.0048348219161107285,
    0.007276719290465091,    -0.0037337021487381574,  -0.010822328929287747,
    0.000994620433909344,    0.014382483973985477,    0.003832586504211879,
    -0.017274741985872692,   -0.011147732441525861,   0.018570686052346887,
    0.021359509769497735,    -0.016998021907167538,   -0.03515192518201442,
    0.010533185429697736,    0.05441675206211347,     0.005336938510056692,
    -0.08636635035019541,    -0.04814028276635189,    0.1801481554316905,
    0.413238882719866,       0.413238882719866,       0.1801481554316905,
    -0.04814028276635189,    -0.08636635035019541,    0.005336938510056692,
    0.05441675206211347,     0.010533185429697736,    -0.03515192518201442,
    -0.016998021907167538,   0.021359509769497735,    0.018570686052346887,
    -0.011147732441525861,   -0.017274741985872692,   0.003832586504211879,
    0.014382483973985477,    0.000994620433909344,    -0.010822328929287747,
    -0.0037337021487381574,  0.007276719290465091,    0.0048348219161107285,
    -0.004203261103525612,   -0.004778537274073453,   0.0018487162938724629,
    0.0040280414200123005,   -0.0002770503440492001,  -0.00298059849929172,
    -0.0005864618408122056,  0.0019332997506288376,   0.0009017026543070901,
    -0.0010697975873144674,  -0.0008604009881639273,  0.0004678818152729404,
    0.0006419997877336901,   -0.00012282522244633356, -0.00038460975254492845,
    -2.1237144511224314e-05, 0.00017288165210789283};
const std::vector<double> firwinHighPass = {
    -0.0022556448606138742, -2.992614088971238e-18, 0.006550909501708073,  -1.807002382336444e-17,
    -0.014118063430843254,  -9.626570337640576e-18, 0.02682084061632442,   -3.99519409763171e-17,
    -0.049047780302406314,  -1.652238796289023e-17, 0.09673317662923082,   -5.610886362700984e-17,
    -0.31487431955513745,   0.49961823719652526,    -0.31487431955513745,  -5.610886362700984e-17,
    0.09673317662923082,    -1.652238796289023e-17, -0.049047780302406314, -3.99519409763171e-17,
    0.02682084061632442,    -9.626570337640576e-18, -0.014118063430843254, -1.807002382336444e-17,
    0.006550909501708073,   -2.992614088971238e-18, -0.0022556448606138742};
const std::vector<double> firwinBandStop = {
    -0.0011789787854642661, 4.213751192143188e-18,   -1.7887583878924017e-18,
    1.728641698502371e-17,  0.003741914924481008,    -6.68903805669444e-18,
    -4.226301335626917e-18, 1.5320077036603414e-17,  -0.008389108742451853,
    -7.427455735725269e-18, -4.2604521081651774e-17, 6.946499164284342e-17,
    0.01613635119035619,    -2.7775090175443745e-17, -1.0618365644481478e-17,
    5.110296271902258e-17,  -0.028790488488627017,   -1.1731417758403696e-17,
    -4.199407602700782e-17, 1.3420761861196302e-16,  0.05072498701567154,
    -8.667199925126655e-18, -1.687755790344841e-17,  3.1088649307492396e-17,
    -0.0979179687048845,    9.846353750243189e-17,   -5.644266693086789e-17,
    8.164225853218032e-17,  0.31559383272872377,     -2.7702823071478298e-17,
    0.5001589177243898,     -2.7702823071478298e-17, 0.31559383272872377,
    8.164225853218032e-17,  -5.644266693086789e-17,  9.846353750243189e-17,
    -0.0979179687048845,    3.1088649307492396e-17,  -1.687755790344841e-17,
    -8.667199925126655e-18, 0.05072498701567154,     1.3420761861196302e-16,
    -4.199407602700782e-17, -1.1731417758403696e-17, -0.028790488488627017,
    5.110296271902258e-17,  -1.0618365644481478e-17, -2.7775090175443745e-17,
    0.01613635119035619,    6.946499164284342e-17,   -4.2604521081651774e-17,
    -7.427455735725269e-18, -0.008389108742451853,   1.5320077036603414e-17,
    -4.226301335626917e-18, -6.68903805669444e-18,   0.003741914924481008,
    1.728641698502371e-17,  -1.7887583878924017e-18, 4.213751192143188e-18,
    -0.0011789787854642661};
const std::vector<double> firwinBandPass = {
    -0.000762129105599417,   -4.954987287316948e-18,  -0.0019041727104988347,
    0.0022204647618000142,   0.005845956902349436,    -0.0007342099464256303,
    -1.2517205967799776e-17, 0.001077865544645556,    -0.012655724266483342,
    -0.007155610965826648,   0.00927609638197713,     -7.470537362503844e-18,
    0.009209979273367402,    0.026291268645162985,    -0.010599342056370427,
    -0.024343216066076093,   -5.3235785976936466e-18, -0.03315688434531061,
    -0.01975538424440144,    0.06771681123329774,     0.033319428851899535,
    -1.9466603658434588e-17, 0.07242932373616023,     -0.08926879061383387,
    -0.2841056436030144,     0.05820467609271286,     0.3987387648825631,
    0.05820467609271286,     -0.2841056436030144,     -0.08926879061383387,
    0.07242932373616023,     -1.9466603658434588e-17, 0.033319428851899535,
    0.06771681123329774,     -0.01975538424440144,    -0.03315688434531061,
    -5.3235785976936466e-18, -0.024343216066076093,   -0.010599342056370427,
    0.026291268645162985,    0.009209979273367402,    -7.470537362503844e-18,
    0.00927609638197713,     -0.007155610965826648,   -0.012655724266483342,
    0.001077865544645556,    -1.2517205967799776e-17, -0.0007342099464256303,
    0.005845956902349436,    0.0022204647618000142,   -0.0019041727104988347,
    -4.954987287316948e-18,  -0.000762129105599417};

TEST(FirDesignTest, KaiserWindowEqualsFirwinWithKaiserord) {
    struct Case {
        const char* name;
        FirRequest rq;
        double beta;
        const std::vector<double>& want;
    };
    const Case cases[] = {
        {"lowpass", request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60), 5.65326, firwinLowPass},
        {"highpass", request(FirBandType::HighPass, {0.3}, {0.2}, 0.1, 40), 3.952357339238006,
         firwinHighPass},
        {"bandstop", request(FirBandType::BandStop, {0.1, 0.4}, {0.15, 0.35}, 0.5, 50),
         4.533514120981248, firwinBandStop},
        {"bandpass", request(FirBandType::BandPass, {0.15, 0.3}, {0.1, 0.35}, 0.2, 45),
         3.975432711887479, firwinBandPass},
    };
    for (const Case& c : cases) {
        FirOptions options;
        options.method = FirMethod::Kaiser;
        const FirDesign d = designFir(c.rq, options);
        EXPECT_NEAR(d.beta, c.beta, 1e-12) << c.name;
        expectTaps(d.taps, c.want, 1e-10, c.name);
        // The same taps when N and beta are given.
        options.taps = c.want.size();
        options.beta = c.beta;
        expectTaps(designFir(c.rq, options).taps, c.want, 1e-10, c.name);
    }
}

TEST(FirDesignTest, KaiserFormulas) {
    struct Case {
        double attenuation, width;
        std::size_t taps; // kaiserord
        double beta;      // Kaiser's fits
    };
    const Case cases[] = {
        {10, 0.05, 4, 0},
        {21, 0.01, 92, 0},
        {30, 0.05, 32, 0.5842 * std::pow(9.0, 0.4) + 0.07886 * 9},
        {50, 0.01, 294, 0.5842 * std::pow(29.0, 0.4) + 0.07886 * 29},
        {60, 0.05, 74, 0.1102 * (60 - 8.7)},
        {120, 0.01, 782, 0.1102 * (120 - 8.7)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kaiserTaps(c.attenuation, c.width), c.taps) << c.attenuation;
        EXPECT_NEAR(kaiserBeta(c.attenuation), c.beta, 1e-14) << c.attenuation;
    }
    // scipy.special.i0
    const std::pair<double, double> i0[] = {{0, 1.0},
                                            {0.5, 1.0634833707413234},
                                            {1, 1.2660658777520082},
                                            {5.65326, 49.04845930258202},
                                            {10, 2815.716628466254},
                                            {21.5, 188195380.48055342},
                                            {40, 1.48947747934199e+16}};
    for (const auto& [x, want] : i0)
        EXPECT_NEAR(besselI0(x), want, 1e-14 * want) << x;
}

// The weighted error E(f) = W(f) (D(f) - A(f)) of linear-phase taps, A the amplitude.
struct WeightedBand {
    double lo, hi;
    double gain;
    double weight;
};

double amplitude(const std::vector<double>& h, bool symmetric, double f) {
    const double centre = (static_cast<double>(h.size()) - 1) / 2;
    double sum = 0;
    for (std::size_t n = 0; n < h.size(); ++n) {
        const double angle = 2 * pi * f * (centre - static_cast<double>(n));
        sum += h[n] * (symmetric ? std::cos(angle) : std::sin(angle));
    }
    return sum;
}

// The local extrema of E on a grid of 64 points per tap, each refined by ternary search,
// in increasing frequency.
std::vector<double> errorExtrema(const std::vector<double>& h, bool symmetric,
                                 const std::vector<WeightedBand>& bands) {
    std::vector<double> extrema;
    const double step = 0.5 / (64.0 * static_cast<double>(h.size()));
    for (const WeightedBand& b : bands) {
        auto e = [&](double f) { return b.weight * (b.gain - amplitude(h, symmetric, f)); };
        const int n = static_cast<int>(std::ceil((b.hi - b.lo) / step));
        std::vector<double> f(n + 1), v(n + 1);
        for (int i = 0; i <= n; ++i) {
            f[i] = i == n ? b.hi : b.lo + step * i;
            v[i] = e(f[i]);
        }
        for (int i = 0; i <= n; ++i) {
            const double s = v[i] >= 0 ? 1 : -1;
            if ((i > 0 && s * v[i] < s * v[i - 1]) || (i < n && s * v[i] < s * v[i + 1]))
                continue;
            double a = f[std::max(i - 1, 0)], z = f[std::min(i + 1, n)];
            for (int k = 0; k < 200; ++k) {
                const double m1 = a + (z - a) / 3, m2 = z - (z - a) / 3;
                if (s * e(m1) < s * e(m2))
                    a = m1;
                else
                    z = m2;
            }
            double best = s * e((a + z) / 2) > s * v[i] ? e((a + z) / 2) : v[i];
            extrema.push_back(best);
        }
    }
    return extrema;
}

TEST(FirDesignTest, EquirippleErrorAlternatesWithEqualExtrema) {
    const double dp = (std::pow(10.0, 0.5 / 20) - 1) / (std::pow(10.0, 0.5 / 20) + 1);
    const double ds = std::pow(10.0, -60.0 / 20);
    struct Case {
        const char* name;
        FirRequest rq;
        std::size_t taps;
        bool symmetric;
        std::vector<WeightedBand> bands;
        std::size_t alternations; // free coefficients + 1
    };
    const Case cases[] = {
        {"lowpass type I",
         request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60),
         47,
         true,
         {{0, 0.2, 1, 1}, {0.25, 0.5, 0, dp / ds}},
         47 / 2 + 2},
        {"bandpass type II",
         request(FirBandType::BandPass, {0.15, 0.3}, {0.1, 0.36}, 0.5, 60),
         40,
         true,
         {{0, 0.1, 0, dp / ds}, {0.15, 0.3, 1, 1}, {0.36, 0.5, 0, dp / ds}},
         40 / 2 + 1},
        {"hilbert type III",
         request(FirBandType::Hilbert, {0.05, 0.45}, {}, 0.5, 60),
         31,
         false,
         {{0.05, 0.45, 1, 1}},
         31 / 2 + 1},
        {"hilbert type IV",
         request(FirBandType::Hilbert, {0.05, 0.5}, {}, 0.5, 60),
         30,
         false,
         {{0.05, 0.5, 1, 1}},
         30 / 2 + 1},
    };
    for (const Case& c : cases) {
        FirOptions options;
        options.taps = c.taps;
        const std::vector<double> h = designFir(c.rq, options).taps;
        const std::vector<double> extrema = errorExtrema(h, c.symmetric, c.bands);
        double largest = 0;
        for (double v : extrema)
            largest = std::max(largest, std::abs(v));
        std::size_t alternating = 0;
        double lastSign = 0;
        for (double v : extrema) {
            if (std::abs(v) < largest * (1 - 1e-6))
                continue;
            const double s = v > 0 ? 1 : -1;
            if (s != lastSign)
                ++alternating;
            lastSign = s;
        }
        EXPECT_GE(alternating, c.alternations) << c.name;
    }
}

// SciPy's remez(N, bands, desired, weight=[1, dp/ds ...], grid_density=32, fs=1) (16 points
// per tap), its attenuation measured on 256 points per tap.
TEST(FirDesignTest, EquirippleAttenuationNearRemez) {
    struct Case {
        const char* name;
        FirRequest rq;
        std::size_t taps;
        double attenuation;
    };
    const Case cases[] = {
        {"lowpass", request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60), 47, 60.50751085506014},
        {"highpass", request(FirBandType::HighPass, {0.35}, {0.3}, 0.1, 70), 65, 71.32788263871676},
        {"bandpass", request(FirBandType::BandPass, {0.15, 0.3}, {0.1, 0.36}, 1.0, 50), 39,
         50.89654740048314},
    };
    for (const Case& c : cases) {
        FirOptions options;
        options.taps = c.taps;
        EXPECT_NEAR(designFir(c.rq, options).figures.attenuationDb, c.attenuation, 0.5) << c.name;
    }
}

// The smallest N (of either parity where the band allows) whose remez design, measured on
// 256 points per tap, meets DA and B1, found by trying every N with SciPy.
TEST(FirDesignTest, SmallestEquirippleLengthEqualsSciPySearch) {
    struct Case {
        const char* name;
        FirRequest rq;
        std::size_t taps;
    };
    const Case cases[] = {
        {"lowpass", request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60), 47},
        {"highpass", request(FirBandType::HighPass, {0.35}, {0.3}, 0.1, 70), 65},
        {"bandpass", request(FirBandType::BandPass, {0.15, 0.3}, {0.1, 0.36}, 1.0, 50), 39},
        {"narrow lowpass", request(FirBandType::LowPass, {0.1}, {0.13}, 0.2, 80), 106},
    };
    for (const Case& c : cases) {
        const FirDesign d = smallestEquiripple(c.rq);
        EXPECT_EQ(d.taps.size(), c.taps) << c.name;
        EXPECT_TRUE(d.figures.meets) << c.name;
        EXPECT_LE(d.figures.rippleDb, c.rq.ripple) << c.name;
        EXPECT_GE(d.figures.attenuationDb, c.rq.attenuation) << c.name;
        EXPECT_EQ(d.delaySamples, (static_cast<double>(c.taps) - 1) / 2) << c.name;
    }
}

// Kaiser's estimate (-20 log10 sqrt(dp ds) - 13) / (14.6 df) + 1, evaluated in Python:
// 45.397, 61.820, 34.429, 106.909, 203.733.
TEST(FirDesignTest, EstimateIsKaisersRoundedUp) {
    struct Case {
        FirRequest rq;
        std::size_t taps;
    };
    const Case cases[] = {
        {request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60), 46},
        {request(FirBandType::HighPass, {0.35}, {0.3}, 0.1, 70), 62},
        {request(FirBandType::BandPass, {0.15, 0.3}, {0.1, 0.36}, 1.0, 50), 35},
        {request(FirBandType::LowPass, {0.1}, {0.13}, 0.2, 80), 107},
        {request(FirBandType::LowPass, {0.2}, {0.215}, 0.1, 70), 204},
    };
    for (const Case& c : cases)
        EXPECT_EQ(estimatedFirTaps(c.rq), c.taps) << c.taps;
}

TEST(FirDesignTest, HalfBandZeroTapsAreExactlyZero) {
    const FirRequest rq = request(FirBandType::HalfBand, {0.2}, {}, 0.1, 50);
    for (FirMethod method : {FirMethod::Equiripple, FirMethod::LeastSquares, FirMethod::Kaiser}) {
        FirOptions options;
        options.method = method;
        const std::vector<double> h = designFir(rq, options).taps;
        ASSERT_EQ(h.size() % 4, 3u) << firMethodName(method);
        const std::size_t middle = h.size() / 2;
        for (std::size_t i = 0; i < h.size(); ++i) {
            const std::size_t distance = i > middle ? i - middle : middle - i;
            if (distance % 2 == 0 && distance != 0) {
                EXPECT_EQ(h[i], 0.0) << firMethodName(method) << " tap " << i;
            } else {
                EXPECT_NE(h[i], 0.0) << firMethodName(method) << " tap " << i;
            }
        }
        if (method != FirMethod::Kaiser) {
            EXPECT_EQ(h[middle], 0.5) << firMethodName(method);
        }
    }
}

// Long designs whose equal ripple lies below rounding (the exchange then only follows
// rounding noise) are still given, their error as negligible: |H(f)| against the ideal
// 2 pi f of a differentiator (relative) and the ideal 1 and 0 of a half-band filter.
TEST(FirDesignTest, EquirippleBelowRoundingIsGiven) {
    struct Case {
        FirBandType type;
        double pass;
        std::size_t taps;
        double largestError;
    };
    const Case cases[] = {
        {FirBandType::Differentiator, 0.3142103266462091, 49, 1e-11},
        {FirBandType::Differentiator, 0.2832573678357967, 36, 1e-11},
        {FirBandType::HalfBand, 0.07582472476389626, 83, 1e-11},
        {FirBandType::HalfBand, 0.159394504109, 91, 1e-11},
    };
    for (const Case& c : cases) {
        FirOptions options;
        options.taps = c.taps;
        const std::vector<double> h =
            designFir(request(c.type, {c.pass}, {}, 0.1, 60), options).taps;
        ASSERT_EQ(h.size(), c.taps);
        auto magnitude = [&](double f) {
            std::complex<double> sum = 0;
            for (std::size_t n = 0; n < h.size(); ++n)
                sum += h[n] * std::polar(1.0, -2 * pi * f * static_cast<double>(n));
            return std::abs(sum);
        };
        constexpr int points = 2000;
        double largest = 0;
        for (int i = 1; i <= points; ++i) {
            const double f = c.pass * i / points;
            if (c.type == FirBandType::Differentiator) {
                largest = std::max(largest, std::abs(magnitude(f) - 2 * pi * f) / (2 * pi * f));
            } else {
                largest = std::max(largest, std::abs(magnitude(f) - 1));
                largest = std::max(largest, magnitude(0.5 - f));
            }
        }
        EXPECT_LT(largest, c.largestError) << firBandName(c.type) << ' ' << c.taps;
    }
}

TEST(FirDesignTest, HilbertAndDifferentiatorAreExactlyAntisymmetric) {
    const FirRequest cases[] = {
        request(FirBandType::Hilbert, {0.05, 0.45}, {}, 0.1, 60),
        request(FirBandType::Hilbert, {0.05, 0.5}, {}, 0.1, 60),
        request(FirBandType::Differentiator, {0.3}, {0.4}, 0.1, 60),
        request(FirBandType::Differentiator, {0.5}, {}, 0.1, 60),
    };
    for (const FirRequest& rq : cases)
        for (FirMethod method : {FirMethod::Equiripple, FirMethod::LeastSquares}) {
            FirOptions options;
            options.method = method;
            const std::vector<double> h = designFir(rq, options).taps;
            const std::size_t n = h.size();
            for (std::size_t i = 0; i < n; ++i)
                EXPECT_EQ(h[i], -h[n - 1 - i]) << firBandName(rq.type) << " tap " << i;
            EXPECT_EQ(linearPhaseType(h), n % 2 == 1 ? 3 : 4);
        }
}

// |H| of closed forms: 0.5 + 0.5 z^-1 has |H(f)| = cos(pi f), 0.25 (1 + z^-1)^2 cos^2(pi f).
TEST(FirDesignTest, FiguresOfClosedForms) {
    struct Case {
        std::vector<double> taps;
        FirRequest rq;
        double ripple, attenuation;
        bool meets;
    };
    const double c1 = std::cos(0.1 * pi), c4 = std::cos(0.4 * pi);
    const double c2 = std::cos(0.2 * pi), c3 = std::cos(0.3 * pi);
    const Case cases[] = {
        {{0.5, 0.5},
         request(FirBandType::LowPass, {0.1}, {0.4}, 1, 10),
         -20 * std::log10(c1),
         -20 * std::log10(c4),
         true},
        {{0.5, 0.5},
         request(FirBandType::LowPass, {0.1}, {0.4}, 0.4, 10),
         -20 * std::log10(c1),
         -20 * std::log10(c4),
         false},
        {{0.25, 0.5, 0.25},
         request(FirBandType::LowPass, {0.2}, {0.3}, 4, 9),
         -40 * std::log10(c2),
         -40 * std::log10(c3),
         true},
        {{0.25, -0.5, 0.25},
         request(FirBandType::HighPass, {0.3}, {0.2}, 3, 3.2),
         -40 * std::log10(c2),
         -40 * std::log10(c3),
         false},
    };
    const double s1 = std::sin(0.1 * pi), s2 = std::sin(0.2 * pi);
    const Case more[] = {
        // 0.5 (1 - z^-2): |H| = sin(2 pi f); 0.5 (1 - z^-1): sin(pi f).
        {{0.5, 0, -0.5},
         request(FirBandType::Hilbert, {0.1, 0.4}, {}, 5, 60),
         -20 * std::log10(s2),
         0,
         true},
        {{0.5, -0.5},
         request(FirBandType::Hilbert, {0.1, 0.5}, {}, 2, 60),
         -20 * std::log10(s1),
         0,
         false},
        // 1 - 0.5 z^-1: |H|^2 = 1.25 - cos(2 pi f), rising from 0.5 to 1.5 (a gain, no loss).
        {{1, -0.5},
         request(FirBandType::LowPass, {0.1}, {0.4}, 3, 1),
         20 * std::log10(std::sqrt(1.25 - std::cos(0.2 * pi)) / 0.5),
         -20 * std::log10(1.5),
         false},
    };
    for (std::size_t i = 0; i < std::size(cases) + std::size(more); ++i) {
        const Case& c = i < std::size(cases) ? cases[i] : more[i - std::size(cases)];
        const FirDesignFigures f = measureFir(c.taps, c.rq);
        EXPECT_NEAR(f.rippleDb, c.ripple, 1e-12) << i;
        EXPECT_NEAR(f.attenuationDb, c.attenuation, 1e-12) << i;
        EXPECT_EQ(f.meets, c.meets) << i;
        EXPECT_GE(f.gridPoints, 16 * c.taps.size()) << i;
    }
}

std::vector<double> convolve(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> c(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            c[i + j] += a[i] * b[j];
    return c;
}

// A minimum-phase g gives the type I taps h = g * reversed g with A(f) = |G(f)|^2; the
// factor of h is g again (unique up to the sign, taken with g[0] > 0).
TEST(FirDesignTest, MinimumPhaseFactorRecoversTheFactor) {
    const double w = 1.0; // a unit-circle zero pair at e^(+-j)
    const std::vector<std::vector<double>> factors = {
        {1, -0.5},
        {1, 1},
        {1, -2 * std::cos(w), 1},
        convolve(convolve({1, -0.5}, {1, -2 * std::cos(w), 1}), {1, 0.3}),
        convolve(convolve({2, 1}, {1, -2 * std::cos(2.5), 1}), {1, -1.2 * std::cos(0.4), 0.36}),
    };
    for (const std::vector<double>& g : factors) {
        std::vector<double> reversed(g.rbegin(), g.rend());
        const std::vector<double> got = minimumPhaseFactor(convolve(g, reversed), 0);
        expectTaps(got, g, 1e-7, "factor of " + std::to_string(g.size()));
    }
}

TEST(FirDesignTest, MinimumPhaseKeepsTheMagnitudeWithZerosInside) {
    const FirRequest rq = request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60);
    const FirDesign linear = smallestEquiripple(rq);
    const FirDesign d = smallestMinimumPhase(rq);
    EXPECT_TRUE(d.minimumPhase);
    EXPECT_EQ(d.linearPhaseType, 0);
    EXPECT_TRUE(d.figures.meets);
    EXPECT_LT(d.taps.size(), linear.taps.size());
    EXPECT_LT(d.delaySamples, linear.delaySamples / 2);
    // Every zero of G on or inside the unit circle: the eigenvalues of the companion matrix.
    const auto n = static_cast<Eigen::Index>(d.taps.size() - 1);
    Eigen::MatrixXd companion = Eigen::MatrixXd::Zero(n, n);
    for (Eigen::Index i = 0; i < n; ++i) {
        companion(0, i) = -d.taps[static_cast<std::size_t>(i) + 1] / d.taps[0];
        if (i + 1 < n)
            companion(i + 1, i) = 1;
    }
    const Eigen::VectorXcd zeros = Eigen::EigenSolver<Eigen::MatrixXd>(companion).eigenvalues();
    for (Eigen::Index i = 0; i < n; ++i)
        EXPECT_LE(std::abs(zeros(i)), 1 + 1e-4) << i;
}

TEST(FirDesignTest, RefusesRequestsItCannotMeet) {
    struct Case {
        FirRequest rq;
        FirOptions options;
        const char* message;
    };
    FirOptions taps20;
    taps20.taps = 20;
    FirOptions kaiser;
    kaiser.method = FirMethod::Kaiser;
    FirOptions minimumLs;
    minimumLs.method = FirMethod::LeastSquares;
    minimumLs.minimumPhase = true;
    const Case cases[] = {
        {request(FirBandType::LowPass, {0.25}, {0.2}, 0.5, 60),
         {},
         "Границы полос не по порядку: для lowpass нужно pass F < stop F"},
        {request(FirBandType::BandPass, {0.2, 0.1}, {0.05, 0.3}, 0.5, 60),
         {},
         "Границы полос не по порядку: для bandpass нужно stop F1 < pass F1 < pass F2 < stop F2"},
        {request(FirBandType::LowPass, {0.2}, {0.2}, 0.5, 60),
         {},
         "Переходная полоса нулевой ширины: граница полосы пропускания совпадает с границей "
         "полосы задерживания (0.2)"},
        {request(FirBandType::LowPass, {0.2}, {0.5}, 0.5, 60),
         {},
         "Граничная частота 0.5 вне допустимых: нужно больше 0 и меньше FD/2 = 0.5"},
        {request(FirBandType::LowPass, {0.2}, {0.2001}, 0.5, 60),
         {},
         "Требованиям нужно больше 8192 коэффициентов: расширьте переходные полосы или "
         "ослабьте DA и B1"},
        {request(FirBandType::HighPass, {0.3}, {0.2}, 0.5, 60), taps20,
         "Для highpass число коэффициентов должно быть нечетным, не меньше 3 (тип I: четное N "
         "дает нуль на FD/2)"},
        {request(FirBandType::Hilbert, {0.1, 0.4}, {}, 0.5, 60), kaiser,
         "Метод kaiser рассчитывает lowpass, highpass, bandpass, bandstop и halfband; для "
         "hilbert и differentiator выберите pm или ls"},
        {request(FirBandType::LowPass, {0.2}, {0.25}, 0.5, 60), minimumLs,
         "Минимально-фазовый фильтр (--minimum-phase) рассчитывается из равноволнового (pm) "
         "lowpass, highpass, bandpass или bandstop"},
        {request(FirBandType::HalfBand, {0.2}, {0.31}, 0.5, 60),
         {},
         "У полуполосного фильтра граница полосы задерживания равна FD/2 минус граница полосы "
         "пропускания: 0.3"},
    };
    for (const Case& c : cases) {
        try {
            designFir(c.rq, c.options);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const UserMessage& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

} // namespace
} // namespace zorkan
