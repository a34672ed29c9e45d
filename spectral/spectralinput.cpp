#include "spectral/spectralinput.h"

#include "modelling/randomgenerator.h"
#include "modelling/signalfile.h"

#include <cmath>

namespace zorkan {

namespace {

constexpr int harmonicCount = 10;
constexpr int endOfDataMark = 0x1A;

struct Harmonic {
    double amplitude = 0;
    double frequency = 0;
    double phase = 0;
};

} // namespace

double spectralNoise() {
    std::int32_t sum = 0;
    for (int i = 0; i < 4; ++i) {
        sum += static_cast<std::int32_t>(nextRandomInt(32768));
        sum -= static_cast<std::int32_t>(nextRandomInt(32768));
    }
    return sum / 32768.0;
}

void readDatInput(const std::string& path, SpectrumPoints& table) {
    TextReader in(path);
    readDatInput(in, table);
}

void readDatInput(TextReader& in, SpectrumPoints& table) {
    Harmonic harmonics[harmonicCount];
    for (Harmonic& h : harmonics) {
        h.amplitude = in.readReal();
        h.frequency = in.readReal();
        h.phase = in.readReal();
        in.skipLine();
    }
    table = SpectrumPoints{};
    clearFloatFaults();
    for (std::size_t n = 0; n < spectrumLength; ++n) {
        SpectrumPoint& p = table[n];
        p.re = spectralNoise();
        p.im = spectralNoise();
        for (const Harmonic& h : harmonics) {
            const double x = h.frequency * spectralStep * static_cast<double>(n) + h.phase;
            p.re = p.re + h.amplitude * std::cos(x);
            p.im = p.im + h.amplitude * std::sin(x);
        }
        setPolar(p);
        raiseFloatFaults();
    }
}

void readSignalInput(const std::string& path, SpectrumPoints& table) {
    TextReader in(path);
    readSignalInput(in, table);
}

void readSignalInput(TextReader& in, SpectrumPoints& table) {
    table = SpectrumPoints{};
    clearFloatFaults();
    for (SpectrumPoint& p : table) {
        const std::optional<double> value = readSample(in);
        if (!value)
            break; // the end of data stays unread: every later point would end too
        p.re = *value;
        p.im = 0;
        setPolar(p);
        raiseFloatFaults();
    }
}

void readReimInput(const std::string& path, SpectrumPoints& table) {
    TextReader in(path);
    readReimInput(in, table);
}

void readReimInput(TextReader& in, SpectrumPoints& table) {
    table = SpectrumPoints{};
    clearFloatFaults();
    for (SpectrumPoint& p : table) {
        const int next = in.peek();
        if (next < 0 || next == endOfDataMark)
            break;
        // A point is stored whole: a refused number leaves zeros from its point on.
        const double re = in.readReal();
        const double im = in.readReal();
        in.skipLine();
        p.re = re;
        p.im = im;
        setPolar(p);
        raiseFloatFaults();
    }
}

bool readSpectrumInput(std::int32_t source, const SpectrumInputNames& names,
                       SpectrumPoints& table) {
    switch (source) {
    case datSpectrumInput:
        readDatInput(names.dat, table);
        return true;
    case xicdSpectrumInput:
        readSignalInput(names.xicd, table);
        return true;
    case reimSpectrumInput:
        readReimInput(names.reim, table);
        return true;
    default:
        return false;
    }
}

void writeReimFile(const std::string& path, const SpectrumPoints& table) {
    if (path.empty())
        return;
    TextWriter out(path);
    for (const SpectrumPoint& p : table) {
        out.writeReal(p.re);
        out.write(" ");
        out.writeReal(p.im);
        out.endLine();
    }
    out.close();
}

} // namespace zorkan
