// zorkan-cli filter-sound: a sound file through a filter parameter file, as the
// listening window filters it.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "listening/soundfilter.h"

#include <cstdio>
#include <string>

namespace zorkan::cli {

namespace {

const char* const filterSoundHelp =
    "Использование: zorkan-cli filter-sound ФИЛЬТР.flt|ФИЛЬТР.fir ВХОД ВЫХОД [--gain ДБ]\n"
    "                                       [--normalise]\n"
    "                                       [--float]\n"
    "\n"
    "Пропускает каждый канал звукового файла (WAV, FLAC, OGG Vorbis, AIFF и другие\n"
    "форматы libsndfile) через каскад секций файла параметров фильтра, каждый канал\n"
    "со своим состоянием. Фильтр берется как H(z) = A(z)/B(z): каждая секция делится\n"
    "на свой B0, как в частотной характеристике и анализе; файл без секций и секция\n"
    "с B0 = 0 не принимаются. КИХ-фильтр из файла коэффициентов .fir применяется\n"
    "прямой сверткой y(n) = h0 x(n) + h1 x(n-1) + ... в арифметике double.\n"
    "\n"
    "Формат выходного файла задает его расширение (.wav, .flac, .aiff или .aif, .ogg,\n"
    ".opus, .mp3, .caf и другие, известные libsndfile), кодировка отсчетов и частота\n"
    "берутся из исходного файла, насколько формат их хранит; при неизвестном\n"
    "расширении файл записывается в формате исходного. Отсчеты целочисленных форматов\n"
    "делятся на 2^(разрядов - 1); при записи они округляются (половины к четному)\n"
    "и ограничиваются. Печатается строка сводки: формат, частота, каналы,\n"
    "длительность, ограниченные отсчеты и частоты среза фильтра по уровню -3 дБ\n"
    "в герцах. Строки \"Внимание:\" в stderr сообщают о смене формата, неустойчивом\n"
    "фильтре, переполнении и ограничении более 0.1 % отсчетов.\n"
    "\n"
    "  --gain ДБ     усиление после фильтра, в децибелах\n"
    "  --normalise   нормировка: пик выходного сигнала -1 дБ (два прохода по файлу)\n"
    "  --float       записать 32-битные числа с плавающей точкой (WAV, AIFF, CAF ...;\n"
    "                FLAC и OGG их не хранят)\n"
    "\n"
    "Выходной файл не может совпадать с входным или с файлом фильтра; он заменяет\n"
    "старый только после полной записи. При ошибке сообщение выводится в stderr,\n"
    "код выхода 1.\n";

} // namespace

int runFilterSound(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"gain"}, {"normalise", "float"});
    if (args.help) {
        std::fputs(filterSoundHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 3)
        throw UserMessage("Укажите файл фильтра (.flt или .fir), входной и выходной звуковые "
                          "файлы");
    SoundFilterOptions options;
    options.gainDecibels = realOption(args, "gain", 0);
    options.normalise = switchGiven(args, "normalise");
    options.floatOutput = switchGiven(args, "float");
    if (options.normalise && args.options.count("gain"))
        throw UserMessage("Ключи --gain и --normalise нельзя задавать вместе");
    const SoundFilterResult result =
        filterSoundFile(args.positional[0], args.positional[1], args.positional[2], options);
    std::puts(soundSummary(result).c_str());
    for (const std::string& line :
         soundWarnings(result, "их не будет с ключом --normalise или с меньшим усилением --gain"))
        std::fprintf(stderr, "%s\n", line.c_str());
    return 0;
}

} // namespace zorkan::cli
