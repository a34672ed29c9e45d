#include "listening/soundfile.h"

#include "common/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sndfile.h>
#include <string_view>
#include <vector>

namespace zorkan {

CodingInfo codingOf(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
        return {SampleCoding::Integer, 8};
    case SF_FORMAT_DWVW_12:
        return {SampleCoding::Integer, 12};
    case SF_FORMAT_ALAC_20:
        return {SampleCoding::Integer, 20};
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_DWVW_24:
    case SF_FORMAT_ALAC_24:
        return {SampleCoding::Integer, 24};
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
        return {SampleCoding::Integer, 32};
    case SF_FORMAT_FLOAT:
        return {SampleCoding::Float32, 32};
    case SF_FORMAT_DOUBLE:
        return {SampleCoding::Float64, 64};
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return {SampleCoding::Lossy, 0};
    default:
        // 16-bit PCM and the codings libsndfile converts from 16-bit samples
        // (mu-law, A-law, ADPCM, GSM ...).
        return {SampleCoding::Integer, 16};
    }
}

namespace {

// The container's name: "WAV", "FLAC", or libsndfile's own name of it.
std::string containerName(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        return "WAV";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_FLAC:
        return "FLAC";
    case SF_FORMAT_OGG:
        return "OGG";
    default: {
        SF_FORMAT_INFO major{};
        major.format = format & SF_FORMAT_TYPEMASK;
        return sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name
                   ? major.name
                   : "Звуковой файл";
    }
    }
}

// libsndfile's reason for the last failure of `file` (of the last open when null), in
// brackets after the message; its "Error : " lead adds nothing.
std::string reasonOf(SNDFILE* file) {
    std::string reason = sf_strerror(file);
    constexpr std::string_view lead = "Error : ";
    if (reason.compare(0, lead.size(), lead) == 0)
        reason.erase(0, lead.size());
    return " (libsndfile: " + reason + ")";
}

} // namespace

std::string formatName(int format) {
    const std::string name = containerName(format);
    const CodingInfo coding = codingOf(format);
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_VORBIS:
        return name + " Vorbis";
    case SF_FORMAT_OPUS:
        return name + " Opus";
    case SF_FORMAT_ULAW:
        return name + ", mu-law";
    case SF_FORMAT_ALAW:
        return name + ", A-law";
    default:
        break;
    }
    switch (coding.coding) {
    case SampleCoding::Float32:
    case SampleCoding::Float64:
        return name + ", " + std::to_string(coding.bits) + " бит с плавающей точкой";
    case SampleCoding::Lossy:
        return name + ", со сжатием";
    default:
        return name + ", " + std::to_string(coding.bits) + " бит";
    }
}

namespace {

bool writable(int format, const SoundInfo& source) {
    SF_INFO sf{};
    sf.samplerate = source.rate;
    sf.channels = source.channels;
    sf.format = format;
    return sf_format_check(&sf) != 0;
}

// The extension in lower case, without its dot; empty when there is none.
std::string extensionOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    if (ext.size() < 2)
        return {};
    ext.erase(0, 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

struct NamedFormat {
    int major = 0;   // 0: no container has this extension
    int subtype = 0; // a coding the extension itself names, or 0
};

// The container an extension names. libsndfile lists one extension for each container;
// the other names in common use are added here. Where several containers share one
// (".wav"), the source's own comes first, then the first of libsndfile's list.
NamedFormat formatNamed(const std::string& ext, int sourceFormat) {
    struct Alias {
        const char* ext;
        NamedFormat format;
    };
    static const Alias aliases[] = {
        {"aif", {SF_FORMAT_AIFF, 0}},
        {"aifc", {SF_FORMAT_AIFF, 0}},
        {"ogg", {SF_FORMAT_OGG, SF_FORMAT_VORBIS}},
        {"oga", {SF_FORMAT_OGG, SF_FORMAT_VORBIS}},
        {"opus", {SF_FORMAT_OGG, SF_FORMAT_OPUS}},
        {"mp3", {SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III}},
    };
    for (const Alias& a : aliases)
        if (ext == a.ext)
            return a.format;
    SF_FORMAT_INFO own{};
    own.format = sourceFormat & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &own, sizeof own) == 0 && own.extension &&
        ext == own.extension)
        return {own.format, 0};
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO major{};
        major.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major) == 0 &&
            major.extension && ext == major.extension)
            return {major.format, 0};
    }
    return {};
}

// Codings for the source's samples, nearest first: the same kind with at least as many
// bits, then fewer bits, then the compressed codings (all some containers hold).
std::vector<int> codingsNearest(int sourceFormat) {
    const CodingInfo c = codingOf(sourceFormat);
    std::vector<int> list;
    switch (c.coding) {
    case SampleCoding::Integer:
        if (c.bits <= 8)
            list = {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24,
                    SF_FORMAT_PCM_32};
        else if (c.bits <= 16)
            list = {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_PCM_S8,
                    SF_FORMAT_PCM_U8};
        else if (c.bits <= 24)
            list = {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_PCM_16, SF_FORMAT_PCM_S8};
        else
            list = {SF_FORMAT_PCM_32, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_PCM_S8};
        break;
    case SampleCoding::Float32:
        list = {SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                SF_FORMAT_PCM_16};
        break;
    case SampleCoding::Float64:
        list = {SF_FORMAT_DOUBLE, SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                SF_FORMAT_PCM_16};
        break;
    case SampleCoding::Lossy:
        list = {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_FLOAT};
        break;
    }
    for (const int lossy : {SF_FORMAT_VORBIS, SF_FORMAT_OPUS, SF_FORMAT_MPEG_LAYER_III})
        list.push_back(lossy);
    return list;
}

// True when samples of `from` are not all kept by `to` (a compressed coding the user
// asked for by the extension does not count).
bool losesPrecision(int from, int to) {
    const CodingInfo a = codingOf(from), b = codingOf(to);
    if (b.coding == SampleCoding::Lossy || a.coding == SampleCoding::Lossy)
        return false;
    if (a.coding == SampleCoding::Integer)
        return b.coding == SampleCoding::Integer && b.bits < a.bits;
    if (b.coding == SampleCoding::Integer)
        return true;
    return a.coding == SampleCoding::Float64 && b.coding == SampleCoding::Float32;
}

std::string unsupported(int major, const SoundInfo& source) {
    return "Формат " + containerName(major) + " не поддерживается для записи: каналов " +
           std::to_string(source.channels) + ", частота " + std::to_string(source.rate) + " Гц";
}

} // namespace

OutputFormat chooseOutputFormat(const std::string& outputPath, const SoundInfo& source,
                                bool floatOutput) {
    const std::string ext = extensionOf(outputPath);
    NamedFormat named = formatNamed(ext, source.format);
    OutputFormat out;
    if (named.major == 0) {
        named.major = source.format & SF_FORMAT_TYPEMASK;
        out.note = (ext.empty() ? std::string("у выходного файла нет расширения")
                                : "расширение ." + ext + " не известно libsndfile") +
                   ": файл записан в формате исходного (" + formatName(source.format) + ")";
    }
    const bool sameContainer = named.major == (source.format & SF_FORMAT_TYPEMASK);
    // The byte order is the source's where the container stays.
    const int order = sameContainer ? source.format & SF_FORMAT_ENDMASK : 0;
    if (floatOutput) {
        out.format = named.major | order | SF_FORMAT_FLOAT;
        if (!writable(out.format, source)) {
            if (!writable(named.major | SF_FORMAT_PCM_16, source) &&
                !writable(named.major | SF_FORMAT_VORBIS, source))
                throw UserMessage(unsupported(named.major, source));
            throw UserMessage("Формат " + containerName(named.major) +
                              " не хранит 32-битные числа с плавающей точкой: для них "
                              "выберите файл .wav, .aiff или .caf");
        }
        return out;
    }
    if (named.subtype == 0 && sameContainer && writable(source.format, source)) {
        out.format = source.format;
        return out;
    }
    std::vector<int> codings = codingsNearest(source.format);
    if (named.subtype != 0)
        codings.insert(codings.begin(), named.subtype);
    else if (writable(named.major | order | (source.format & SF_FORMAT_SUBMASK), source))
        codings.insert(codings.begin(), source.format & SF_FORMAT_SUBMASK);
    for (const int coding : codings) {
        if (!writable(named.major | order | coding, source))
            continue;
        out.format = named.major | order | coding;
        if (out.note.empty() && losesPrecision(source.format, out.format))
            out.note = containerName(named.major) + " не хранит отсчеты исходного файла (" +
                       formatName(source.format) + "): записан " + formatName(out.format);
        return out;
    }
    throw UserMessage(unsupported(named.major, source));
}

namespace {

sf_count_t memoryLength(void* data) {
    return static_cast<SoundReader::Memory*>(data)->size;
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* data) {
    auto* m = static_cast<SoundReader::Memory*>(data);
    sf_count_t to = offset;
    if (whence == SEEK_CUR)
        to = m->offset + offset;
    else if (whence == SEEK_END)
        to = m->size + offset;
    m->offset = std::clamp<sf_count_t>(to, 0, m->size);
    return m->offset;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* data) {
    auto* m = static_cast<SoundReader::Memory*>(data);
    const sf_count_t n =
        std::clamp<sf_count_t>(m->size - m->offset, 0, std::max<sf_count_t>(count, 0));
    if (n > 0)
        std::memcpy(out, m->bytes + m->offset, static_cast<std::size_t>(n));
    m->offset += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t memoryTell(void* data) {
    return static_cast<SoundReader::Memory*>(data)->offset;
}

} // namespace

SoundReader::SoundReader(const std::string& path) {
    // A file that is not there, or not readable, gets the platform's error, as every
    // other file of the system does; what libsndfile says is for files it can read.
    if (std::FILE* probe = std::fopen(path.c_str(), "rb"))
        std::fclose(probe);
    else
        throwOpenError(errno, false, path);
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_)
        throw UserMessage("Файл " + path + " не читается как звуковой" + reasonOf(nullptr));
    info_ = {info.format, info.samplerate, info.channels, info.frames};
    opened(path);
}

SoundReader::SoundReader(const void* bytes, std::size_t size) {
    memory_ = {static_cast<const unsigned char*>(bytes), static_cast<std::int64_t>(size), 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    file_ = sf_open_virtual(&io, SFM_READ, &info, &memory_);
    if (!file_)
        throw UserMessage("Данные не читаются как звуковой файл" + reasonOf(nullptr));
    info_ = {info.format, info.samplerate, info.channels, info.frames};
    opened("");
}

void SoundReader::opened(const std::string& name) {
    // Channels and rate bound every buffer and every time shown; a header that claims
    // absurd values is refused rather than trusted.
    if (info_.channels < 1 || info_.channels > 256 || info_.rate < 1) {
        sf_close(file_);
        file_ = nullptr;
        throw UserMessage("В звуковом файле " + name + " недопустимое число каналов или частота");
    }
    if (info_.frames < 0)
        info_.frames = 0;
    // Integer samples arrive divided by 2^(bits - 1), floats as they are.
    sf_command(file_, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
}

SoundReader::~SoundReader() {
    if (file_)
        sf_close(file_);
}

std::size_t SoundReader::read(double* out, std::size_t frames) {
    const sf_count_t got = sf_readf_double(file_, out, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::size_t SoundReader::read(float* out, std::size_t frames) {
    const sf_count_t got = sf_readf_float(file_, out, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void SoundReader::seek(std::int64_t frame) {
    if (sf_seek(file_, frame, SEEK_SET) < 0)
        throw UserMessage("Не удается перейти к нужному месту звукового файла" + reasonOf(file_));
}

SoundWriter::SoundWriter(const std::string& path, const SoundInfo& info,
                         const std::string& shownName)
    : shownName_(shownName.empty() ? path : shownName), channels_(info.channels) {
    SF_INFO sf{};
    sf.samplerate = info.rate;
    sf.channels = info.channels;
    sf.format = info.format;
    if (!sf_format_check(&sf))
        throw UserMessage("Формат " + formatName(info.format) +
                          " не поддерживается для записи с такими каналами и частотой");
    file_ = sf_open(path.c_str(), SFM_WRITE, &sf);
    if (!file_)
        throw UserMessage("Не удается создать звуковой файл " + shownName_ + reasonOf(nullptr));
    // Samples are quantised here before libsndfile sees them; its own scaling and
    // clipping must not touch them again.
    sf_command(file_, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_FALSE);
}

SoundWriter::~SoundWriter() {
    if (file_)
        sf_close(file_);
}

void SoundWriter::check(std::int64_t written, std::size_t count) {
    if (written != static_cast<std::int64_t>(count))
        throw UserMessage("Ошибка записи звукового файла " + shownName_ + reasonOf(file_));
}

void SoundWriter::writeIntegers(const int* frames, std::size_t count) {
    check(sf_writef_int(file_, frames, static_cast<sf_count_t>(count)), count);
}

void SoundWriter::writeDoubles(const double* frames, std::size_t count) {
    check(sf_writef_double(file_, frames, static_cast<sf_count_t>(count)), count);
}

void SoundWriter::close() {
    if (!file_)
        return;
    sf_write_sync(file_);
    const int failed = sf_close(file_);
    file_ = nullptr;
    if (failed != 0)
        throw UserMessage("Ошибка записи звукового файла " + shownName_ +
                          " (libsndfile: " + sf_error_number(failed) + ")");
}

} // namespace zorkan
