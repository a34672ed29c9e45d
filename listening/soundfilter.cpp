#include "listening/soundfilter.h"

#include "cascade/secondorder.h"
#include "common/errors.h"
#include "common/replacefile.h"
#include "fir/firproperties.h"
#include "response/response.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numbers>
#include <optional>

namespace zorkan {

const FilterFileReader listeningReader{16, FiveCoefficientRule::KindIsTwo, 32, false, false, 0};

FilterCoefficients readListeningFilter(const std::string& path) {
    FilterCoefficients filter = readFilterFile(path, listeningReader);
    if (filter.sections.empty())
        throw UserMessage("В файле фильтра нет ни одной секции: фильтровать нечего");
    // A section is divided by its B0; a zero one would need a sample from the future.
    for (std::size_t k = 0; k < filter.sections.size(); ++k)
        if (filter.sections[k].b[0] == 0)
            throw UserMessage("В секции " + std::to_string(k + 1) +
                              " коэффициент знаменателя B0 равен нулю: такой фильтр "
                              "нельзя реализовать");
    return filter;
}

void checkOutputName(const std::string& filterPath, const std::string& input,
                     const std::string& output) {
    if (sameFile(input, output))
        throw UserMessage("Выходной файл совпадает с исходным: выберите другое имя");
    if (sameFile(filterPath, output))
        throw UserMessage("Выходной файл совпадает с файлом фильтра: выберите другое имя");
}

namespace {

// The section equation without the terms of A3, A4, B3 and B4 when all four are zero.
// Adding a zero product to a sum that is not zero leaves it as it is, so a result that
// is not zero is the full equation's to the last bit; a zero result is computed again
// in full, for the sign the full sum gives it.
inline long double secondOrderSum(const SectionState& st, const FilterSection& s, double in) {
    long double sum = static_cast<long double>(s.a[0]) * in;
    sum += static_cast<long double>(s.a[1]) * st.x[0];
    sum += static_cast<long double>(s.a[2]) * st.x[1];
    sum -= static_cast<long double>(s.b[1]) * st.y[0];
    sum -= static_cast<long double>(s.b[2]) * st.y[1];
    if (sum == 0) [[unlikely]]
        return st.sum(s, in);
    return sum;
}

} // namespace

ChannelCascade::ChannelCascade(std::vector<FilterSection> sections, int channels)
    : sections_(std::move(sections)), channels_(channels),
      states_(sections_.size() * static_cast<std::size_t>(channels)) {
    for (const FilterSection& s : sections_)
        secondOrder_.push_back(s.a[3] == 0 && s.a[4] == 0 && s.b[3] == 0 && s.b[4] == 0);
}

void ChannelCascade::run(double* samples, std::size_t frames) {
    const std::size_t n = sections_.size();
    const std::size_t channels = static_cast<std::size_t>(channels_);
    if (n == 0) {
        for (std::size_t i = 0; i < frames * channels; ++i)
            if (std::isnan(samples[i]))
                samples[i] = 0;
        return;
    }
    // A wavefront over the sections: step t runs section k on sample t - k, so the
    // sections of one step do not wait for each other and their recursions overlap.
    // Every sample still meets the sections in order, with the same arithmetic.
    std::vector<double>& carry = carry_;
    carry.assign(channels * (n + 1), 0.0);
    const std::size_t steps = frames + n - 1;
    for (std::size_t t = 0; t < steps; ++t) {
        const std::size_t last = std::min(t, n - 1);
        const std::size_t first = t >= frames ? t - frames + 1 : 0;
        // The channels are independent too: all of them move one step together.
        for (std::size_t c = 0; c < channels; ++c) {
            SectionState* states = states_.data() + c * n;
            double* pass = carry.data() + c * (n + 1);
            for (std::size_t k = last + 1; k-- > first;) {
                const std::size_t i = (t - k) * channels + c;
                double v = k == 0 ? samples[i] : pass[k];
                if (k == 0 && !std::isfinite(v))
                    v = std::isnan(v) ? 0.0 : std::copysign(DBL_MAX, v);
                const long double sum = secondOrder_[k] ? secondOrderSum(states[k], sections_[k], v)
                                                        : states[k].sum(sections_[k], v);
                double out = static_cast<double>(sum);
                if (!std::isfinite(out)) [[unlikely]] {
                    // Held at the edge of the double range, so the recursion stays finite.
                    out = std::isnan(out) ? 0.0 : std::copysign(DBL_MAX, out);
                    ++overflows_;
                }
                states[k].push(v, out);
                if (k + 1 == n)
                    samples[i] = out;
                else
                    pass[k + 1] = out;
            }
        }
    }
}

ChannelImplementation::ChannelImplementation(const Implementation& implementation, int channels)
    : implementation_(implementation), reference_(doubleReference(implementation)),
      channels_(channels) {
    for (int c = 0; c < channels; ++c) {
        simulated_.emplace_back(implementation_);
        exact_.emplace_back(reference_);
    }
}

void ChannelImplementation::run(double* samples, double* error, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < channels; ++c) {
            const std::size_t i = f * channels + c;
            // A NaN sample is silence, as the double cascade takes it.
            const double x = std::isnan(samples[i]) ? 0.0 : samples[i];
            // The reference takes the sample as the implementation does, on its data word.
            const double y = simulated_[c].step(x);
            const double entered = onDataWord(implementation_, x);
            error[i] = y - exact_[c].step(entered);
            samples[i] = y;
        }
}

long long ChannelImplementation::overflows() const {
    long long n = 0;
    for (const Simulator& s : simulated_)
        n += s.counts().overflows;
    return n;
}

long long ChannelImplementation::inputClipped() const {
    long long n = 0;
    for (const Simulator& s : simulated_)
        n += s.counts().inputClipped;
    return n;
}

ChannelFir::ChannelFir(std::vector<double> taps, int channels)
    : taps_(std::move(taps)), channels_(channels),
      history_(static_cast<std::size_t>(channels),
               std::vector<double>(taps_.empty() ? 0 : taps_.size() - 1, 0.0)) {}

void ChannelFir::run(double* samples, std::size_t frames) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const std::size_t n = taps_.size();
    const std::size_t past = n - 1;
    const double* h = taps_.data();
    // Outputs in groups of this many, each tap applied to the whole group at once, two
    // outputs to a vector register: the sums of a group are independent, so that the
    // products run side by side while each sum keeps the order of the taps.
    constexpr std::size_t group = 8;
    using Pair = double __attribute__((vector_size(2 * sizeof(double))));
    for (std::size_t c = 0; c < channels; ++c) {
        std::vector<double>& history = history_[c];
        line_.assign(history.begin(), history.end());
        line_.resize(past + frames);
        for (std::size_t i = 0; i < frames; ++i) {
            double x = samples[i * channels + c];
            if (std::isnan(x))
                x = 0;
            else if (std::isinf(x))
                x = std::copysign(DBL_MAX, x);
            line_[past + i] = x;
        }
        out_.assign(frames, 0.0);
        // Output i is the sum over k of h[k] line[past + i - k].
        const double* x = line_.data() + past;
        std::size_t i = 0;
        const auto load = [](const double* at) {
            Pair v;
            std::memcpy(&v, at, sizeof v);
            return v;
        };
        for (; i + group <= frames; i += group) {
            // Named, so that the four sums stay in registers.
            Pair s0 = {}, s1 = {}, s2 = {}, s3 = {};
            for (std::size_t k = 0; k < n; ++k) {
                const Pair hk = {h[k], h[k]};
                const double* xk = x + i - k;
                s0 += hk * load(xk);
                s1 += hk * load(xk + 2);
                s2 += hk * load(xk + 4);
                s3 += hk * load(xk + 6);
            }
            const Pair sums[] = {s0, s1, s2, s3};
            std::memcpy(out_.data() + i, sums, sizeof sums);
        }
        for (; i < frames; ++i) {
            double sum = 0;
            for (std::size_t k = 0; k < n; ++k)
                sum += h[k] * x[i - k];
            out_[i] = sum;
        }
        for (std::size_t i2 = 0; i2 < frames; ++i2) {
            double y = out_[i2];
            if (!std::isfinite(y)) {
                y = std::isnan(y) ? DBL_MAX : std::copysign(DBL_MAX, y);
                ++overflows_;
            }
            samples[i2 * channels + c] = y;
        }
        history.assign(line_.end() - static_cast<std::ptrdiff_t>(past), line_.end());
    }
}

namespace {

// Frequencies (in units of the rate) where `magnitudeAt` of a frequency from 0 to 1/2
// crosses -3 dB of its largest value on a grid, found by bisection; none where the
// evaluation faults (a pole on the unit circle).
template <class MagnitudeAt> std::vector<double> edgesOf(MagnitudeAt magnitudeAt, double rate) {
    constexpr int points = 8192;
    std::vector<double> magnitude(points + 1);
    double kmax = 0;
    try {
        for (int i = 0; i <= points; ++i) {
            magnitude[i] = magnitudeAt(0.5 * i / points);
            kmax = std::max(kmax, magnitude[i]);
        }
    } catch (const FloatError&) {
        return {}; // a pole on the unit circle: no finite response to speak of
    }
    std::vector<double> edges;
    if (!(kmax > 0) || !std::isfinite(kmax))
        return edges;
    const double level = kmax * std::pow(10.0, -3.0 / 20.0);
    for (int i = 0; i < points; ++i) {
        const bool above = magnitude[i] >= level;
        if (above == (magnitude[i + 1] >= level))
            continue;
        double lo = 0.5 * i / points, hi = 0.5 * (i + 1) / points;
        for (int step = 0; step < 50; ++step) {
            const double mid = 0.5 * (lo + hi);
            try {
                if ((magnitudeAt(mid) >= level) == above)
                    lo = mid;
                else
                    hi = mid;
            } catch (const FloatError&) {
                break;
            }
        }
        edges.push_back(0.5 * (lo + hi) * rate);
    }
    return edges;
}

} // namespace

std::vector<double> threeDecibelEdges(const std::vector<FilterSection>& applied, double rate) {
    return edgesOf([&](double f) { return evaluateCascade(applied, f, 1.0).magnitude; }, rate);
}

std::vector<double> firThreeDecibelEdges(const std::vector<double>& taps, double rate) {
    return edgesOf(
        [&](double f) {
            return static_cast<double>(
                std::abs(firValueAt(taps, 2 * std::numbers::pi_v<long double> * f)));
        },
        rate);
}

std::uint64_t quantiseSamples(const double* samples, std::size_t count, CodingInfo coding,
                              int* integers, double* doubles) {
    std::uint64_t clipped = 0;
    switch (coding.coding) {
    case SampleCoding::Integer: {
        const double top = std::ldexp(1.0, coding.bits - 1) - 1;
        const double bottom = -std::ldexp(1.0, coding.bits - 1);
        const int shift = 32 - coding.bits;
        for (std::size_t i = 0; i < count; ++i) {
            // Scaling by a power of two is exact; nearbyint rounds halves to even.
            double r = std::nearbyint(std::ldexp(samples[i], coding.bits - 1));
            if (r > top) {
                r = top;
                ++clipped;
            } else if (r < bottom) {
                r = bottom;
                ++clipped;
            }
            integers[i] =
                static_cast<int>(static_cast<std::uint32_t>(static_cast<std::int64_t>(r)) << shift);
        }
        break;
    }
    case SampleCoding::Float32:
    case SampleCoding::Float64:
    case SampleCoding::Lossy: {
        const double limit = coding.coding == SampleCoding::Float32   ? double(FLT_MAX)
                             : coding.coding == SampleCoding::Float64 ? DBL_MAX
                                                                      : 1.0;
        for (std::size_t i = 0; i < count; ++i) {
            double v = samples[i];
            // A double output at the very limit was held there by the cascade.
            const bool inside = coding.coding == SampleCoding::Float64 ? std::fabs(v) < limit
                                                                       : std::fabs(v) <= limit;
            if (!inside) {
                v = std::isnan(v) ? 0.0 : std::copysign(limit, v);
                ++clipped;
            }
            doubles[i] = v;
        }
        break;
    }
    }
    return clipped;
}

namespace {

constexpr std::size_t blockFrames = 4096;

// The filter of a run in double: the parameter file's cascade or the FIR filter's taps.
class ChannelFilter {
  public:
    ChannelFilter(const std::vector<FilterSection>& sections, const std::vector<double>* taps,
                  int channels) {
        if (taps)
            fir_.emplace(*taps, channels);
        else
            cascade_.emplace(sections, channels);
    }
    void run(double* samples, std::size_t frames) {
        if (fir_)
            fir_->run(samples, frames);
        else
            cascade_->run(samples, frames);
    }
    std::uint64_t overflows() const { return fir_ ? fir_->overflows() : cascade_->overflows(); }

  private:
    std::optional<ChannelCascade> cascade_;
    std::optional<ChannelFir> fir_;
};

bool cancelled(const SoundRunControl& control) {
    return control.cancel && control.cancel->load(std::memory_order_relaxed);
}

} // namespace

SoundFilterResult filterSoundFile(const std::string& filterPath, const std::string& input,
                                  const std::string& output, const SoundFilterOptions& options,
                                  const SoundRunControl& control) {
    checkOutputName(filterPath, input, output);
    const std::optional<FirFilter> fir =
        isFirFileName(filterPath)
            ? std::optional<FirFilter>(namingFiles([&] { return readFirFile(filterPath); }))
            : std::nullopt;
    if (fir && options.implementation)
        throw UserMessage("КИХ-фильтр прослушивается только в арифметике double: реализация "
                          "в арифметике устройства строится для файла параметров (.flt)");
    const FilterCoefficients filter = fir ? FilterCoefficients{} : readListeningFilter(filterPath);
    // H(z) = A(z)/B(z), as the response and the analysis take the file: every section
    // divided by its B0 before the engine's equation, which leaves B0 out.
    const std::vector<FilterSection> sections = sectionsOverB0(filter);

    SoundFilterResult result;
    for (std::size_t k = 0; k < filter.sections.size(); ++k)
        if (filter.sections[k].b[0] != 1)
            result.scaledSections.push_back(static_cast<int>(k) + 1);
    // An FIR filter's poles all lie at the origin.
    if (!fir)
        result.stability = stabilityOf(filter, filterRoots(filter));
    SoundReader reader(input);
    result.source = reader.info();
    const int channels = result.source.channels;
    const OutputFormat format = chooseOutputFormat(output, result.source, options.floatOutput);
    result.outputFormat = format.format;
    result.formatNote = format.note;
    result.edges = fir ? firThreeDecibelEdges(fir->taps, result.source.rate)
                       : threeDecibelEdges(sections, result.source.rate);
    const CodingInfo coding = codingOf(result.outputFormat);

    // Through an implementation: realised from the same H(z) = A(z)/B(z).
    std::optional<Implementation> implementation;
    if (options.implementation) {
        implementation = realise(filter, *options.implementation);
        result.arithmetic = options.implementation->arithmetic;
        for (const CascadeWarning& w : implementation->cascade.warnings)
            result.implementationWarnings.push_back(w.message);
    }
    const auto makeProcessor = [&] {
        return implementation ? std::make_unique<ChannelImplementation>(*implementation, channels)
                              : nullptr;
    };

    // Opened before the first pass of a normalising run, so that an output that cannot
    // be written is refused at once.
    FileReplacement replacement(output);
    SoundInfo outInfo = result.source;
    outInfo.format = result.outputFormat;
    SoundWriter writer(replacement.temporaryPath(), outInfo, output);
    std::optional<FileReplacement> errorReplacement;
    std::optional<SoundWriter> errorWriter;
    if (implementation && !options.errorOutput.empty()) {
        checkOutputName(filterPath, input, options.errorOutput);
        errorReplacement.emplace(options.errorOutput);
        SoundInfo errorInfo = result.source;
        errorInfo.format = chooseOutputFormat(options.errorOutput, result.source, true).format;
        errorWriter.emplace(errorReplacement->temporaryPath(), errorInfo, options.errorOutput);
    }

    const std::uint64_t expected = static_cast<std::uint64_t>(result.source.frames);
    const std::uint64_t total = options.normalise ? 2 * expected : expected;
    std::uint64_t done = 0;
    std::vector<double> block(blockFrames * channels);
    std::vector<double> error(implementation ? block.size() : 0);
    const auto progress = [&](std::size_t frames) {
        done += frames;
        if (control.onProgress)
            control.onProgress(std::min(done, total), total);
    };

    if (options.normalise) {
        // First pass: the peak of the filtered sound.
        ChannelFilter cascade(sections, fir ? &fir->taps : nullptr, channels);
        const std::unique_ptr<ChannelImplementation> implemented = makeProcessor();
        while (const std::size_t got = reader.read(block.data(), blockFrames)) {
            if (cancelled(control)) {
                result.completed = false;
                return result; // the temporary goes with `replacement`
            }
            if (implemented)
                implemented->run(block.data(), error.data(), got);
            else
                cascade.run(block.data(), got);
            for (std::size_t i = 0; i < got * channels; ++i)
                result.peak = std::max(result.peak, std::fabs(block[i]));
            progress(got);
        }
        if (result.peak > 0)
            result.gain = std::pow(10.0, -1.0 / 20.0) / result.peak;
        reader.seek(0);
    } else if (options.gainDecibels != 0) {
        result.gain = std::pow(10.0, options.gainDecibels / 20.0);
    }

    ChannelFilter cascade(sections, fir ? &fir->taps : nullptr, channels);
    const std::unique_ptr<ChannelImplementation> implemented = makeProcessor();
    std::vector<int> integers(coding.coding == SampleCoding::Integer ? block.size() : 0);
    std::vector<double> doubles(coding.coding == SampleCoding::Integer ? 0 : block.size());
    double peak = 0;
    while (const std::size_t got = reader.read(block.data(), blockFrames)) {
        if (cancelled(control)) {
            result.completed = false;
            return result;
        }
        const std::size_t count = got * channels;
        if (implemented) {
            implemented->run(block.data(), error.data(), got);
            for (std::size_t i = 0; i < count; ++i)
                result.errorPeak = std::max(result.errorPeak, std::fabs(error[i]));
            if (errorWriter)
                errorWriter->writeDoubles(error.data(), got);
        } else {
            cascade.run(block.data(), got);
        }
        if (!options.normalise)
            for (std::size_t i = 0; i < count; ++i)
                peak = std::max(peak, std::fabs(block[i]));
        if (result.gain != 1)
            for (std::size_t i = 0; i < count; ++i)
                block[i] *= result.gain;
        result.clipped +=
            quantiseSamples(block.data(), count, coding, integers.data(), doubles.data());
        if (coding.coding == SampleCoding::Integer)
            writer.writeIntegers(integers.data(), got);
        else
            writer.writeDoubles(doubles.data(), got);
        result.frames += got;
        progress(got);
    }
    if (!options.normalise)
        result.peak = peak;
    result.overflows = cascade.overflows();
    if (implemented) {
        result.implementationOverflows = implemented->overflows();
        result.inputClipped = implemented->inputClipped();
        if (result.errorPeak > 0)
            result.errorGain = std::pow(10.0, -20.0 / 20.0) / result.errorPeak;
    }
    writer.close();
    if (errorWriter) {
        errorWriter->close();
        errorReplacement->commit();
    }
    replacement.commit();
    return result;
}

namespace {

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string soundDescription(const SoundInfo& s, std::uint64_t frames) {
    const std::uint64_t ms =
        s.rate > 0 ? static_cast<std::uint64_t>(std::llround(frames * 1000.0 / s.rate)) : 0;
    char length[64];
    std::snprintf(length, sizeof length, "%llu:%02llu.%03llu",
                  static_cast<unsigned long long>(ms / 60000),
                  static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return formatName(s.format) + ", " + std::to_string(s.rate) +
           " Гц, каналов: " + std::to_string(s.channels) + ", " + length + " (" +
           std::to_string(frames) + " кадров)";
}

namespace {

std::string listOf(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        text += (i ? ", " : "") + std::to_string(numbers[i]);
    return text;
}

} // namespace

std::string soundSummary(const SoundFilterResult& result) {
    std::string line = soundDescription(result.source, result.frames) +
                       ", ограничено отсчетов: " + std::to_string(result.clipped);
    if (result.outputFormat != 0 && result.outputFormat != result.source.format)
        line += ", записан как " + formatName(result.outputFormat);
    if (result.gain != 1)
        line += ", усиление " + fixed(20 * std::log10(result.gain), 2) + " дБ";
    line += ", срез -3 дБ: ";
    if (result.edges.empty())
        line += "нет";
    for (std::size_t i = 0; i < result.edges.size(); ++i)
        line += (i ? ", " : "") + fixed(result.edges[i], 1) + " Гц";
    if (result.arithmetic) {
        line += "\nРеализация " + arithmeticDescription(*result.arithmetic) + ": ошибка ";
        if (result.errorPeak > 0)
            line += "пик " + fixed(20 * std::log10(result.errorPeak), 1) +
                    " дБ от полной шкалы, при прослушивании усилена на " +
                    fixed(20 * std::log10(result.errorGain), 1) + " дБ";
        else
            line += "равна нулю";
    }
    if (!result.scaledSections.empty())
        line += "\nВнимание: B0 не равен 1 в " +
                std::string(result.scaledSections.size() > 1 ? "секциях " : "секции ") +
                listOf(result.scaledSections) +
                "; фильтр взят как H(z) = A(z)/B(z): коэффициенты секции поделены на ее B0";
    return line;
}

std::vector<std::string> soundWarnings(const SoundFilterResult& result,
                                       const std::string& clipAdvice) {
    std::vector<std::string> lines;
    if (!result.formatNote.empty())
        lines.push_back("Внимание: " + result.formatNote);
    const Stability& st = result.stability;
    if (!st.stable) {
        char radius[32];
        std::snprintf(radius, sizeof radius, "%.6g", st.maxRadius);
        lines.push_back("Внимание: фильтр неустойчив: наибольший радиус полюса " +
                        std::string(radius) + " (секция " + std::to_string(st.section) +
                        "), выходной сигнал может неограниченно расти");
    }
    if (result.arithmetic) {
        const std::string name = arithmeticDescription(*result.arithmetic);
        for (const std::string& w : result.implementationWarnings)
            lines.push_back("Внимание: " + w);
        if (result.implementationOverflows > 0) {
            std::string text = "Внимание: в реализации ";
            text += name;
            text += " выход секций ";
            text += std::to_string(result.implementationOverflows);
            text += result.arithmetic->overflow == Overflow::Wrap ? " раз переполнился (перенос)"
                                                                  : " раз ограничен насыщением";
            lines.push_back(text);
        }
        if (result.inputClipped > 0)
            lines.push_back("Внимание: на входе реализации " + std::to_string(result.inputClipped) +
                            " отсчетов за пределами полной шкалы ограничены ею");
    }
    if (result.overflows > 0)
        lines.push_back("Внимание: выход секций " + std::to_string(result.overflows) +
                        " раз вышел за наибольшее число double и был ограничен им");
    const double samples =
        static_cast<double>(result.frames) * static_cast<double>(result.source.channels);
    if (result.clipped > 0 && static_cast<double>(result.clipped) > clippedShareWarned * samples)
        lines.push_back("Внимание: ограничено отсчетов: " + std::to_string(result.clipped) +
                        " из " + std::to_string(result.frames * result.source.channels) + " (" +
                        fixed(100 * static_cast<double>(result.clipped) / samples, 1) + " %); " +
                        clipAdvice);
    return lines;
}

std::string arithmeticDescription(const Arithmetic& a) {
    switch (a.target) {
    case Target::FloatFma:
        return "float с FMA";
    case Target::Fixed: {
        std::string text = "W = ";
        text += std::to_string(a.dataBits);
        text += ", C = ";
        text += std::to_string(a.coefBits);
        return text;
    }
    default:
        return targetName(a.target);
    }
}

std::string proposedOutputName(const std::string& input) {
    const std::filesystem::path p(input);
    return (p.parent_path() / (p.stem().string() + "-filtered" + p.extension().string())).string();
}

} // namespace zorkan
