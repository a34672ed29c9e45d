// zorkan-cli filter-sound: a sound file through a filter parameter file, as the
// listening window filters it.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "listening/soundfilter.h"

#include <cstdio>

namespace zorkan::cli {

namespace {

const char* const filterSoundHelp =
    "Использование: zorkan-cli filter-sound ФИЛЬТР.flt ВХОД ВЫХОД [--gain ДБ] [--normalise]\n"
    "                                       [--float]\n"
    "\n"
    "Пропускает каждый канал звукового файла (WAV, FLAC, OGG Vorbis, AIFF и другие\n"
    "форматы libsndfile) через каскад секций файла параметров фильтра, каждый канал\n"
    "со своим состоянием, и записывает результат в формате и с частотой исходного файла.\n"
    "Отсчёты целочисленных форматов делятся на 2^(разрядов - 1); при записи они\n"
    "округляются (половины к чётному) и ограничиваются, число ограниченных отсчётов\n"
    "выводится. Печатается строка сводки: формат, частота, каналы, длительность,\n"
    "ограниченные отсчёты и частоты среза фильтра по уровню -3 дБ в герцах.\n"
    "\n"
    "  --gain ДБ     усиление после фильтра, в децибелах\n"
    "  --normalise   нормировка: пик выходного сигнала -1 дБ (два прохода по файлу)\n"
    "  --float       записать 32-битные числа с плавающей точкой вместо формата исходного\n"
    "\n"
    "Выходной файл не может совпадать с входным. При ошибке сообщение выводится\n"
    "в stderr, код выхода 1.\n";

} // namespace

int runFilterSound(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {"gain"}, {"normalise", "float"});
    if (args.help) {
        std::fputs(filterSoundHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 3)
        throw UserMessage("Укажите файл параметров фильтра (.flt), входной и выходной звуковые "
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
    return 0;
}

} // namespace zorkan::cli
