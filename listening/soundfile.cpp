#include "listening/soundfile.h"

#include "common/errors.h"

#include <algorithm>
#include <cstring>
#include <sndfile.h>

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

std::string formatName(int format) {
    std::string name;
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        name = "WAV";
        break;
    case SF_FORMAT_AIFF:
        name = "AIFF";
        break;
    case SF_FORMAT_FLAC:
        name = "FLAC";
        break;
    case SF_FORMAT_OGG:
        name = "OGG";
        break;
    default: {
        SF_FORMAT_INFO major{};
        major.format = format & SF_FORMAT_TYPEMASK;
        name = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0 && major.name
                   ? major.name
                   : "Звуковой файл";
    }
    }
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
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_)
        throw UserMessage("Файл " + path +
                          " не читается как звуковой: формат не распознан или файл повреждён");
    info_ = {info.format, info.samplerate, info.channels, info.frames};
    opened(path);
}

SoundReader::SoundReader(const void* bytes, std::size_t size) {
    memory_ = {static_cast<const unsigned char*>(bytes), static_cast<std::int64_t>(size), 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    file_ = sf_open_virtual(&io, SFM_READ, &info, &memory_);
    if (!file_)
        throw UserMessage("Данные не читаются как звуковой файл");
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
        throw UserMessage("Не удаётся перейти к нужному месту звукового файла");
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
        throw UserMessage("Не удаётся создать звуковой файл " + shownName_ +
                          ": нет доступа к папке или недостаточно места");
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
        throw UserMessage("Ошибка записи звукового файла " + shownName_ +
                          ": недостаточно места на диске");
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
        throw UserMessage("Ошибка записи звукового файла " + shownName_);
}

} // namespace zorkan
