#include "cli/options.h"

#include "common/errors.h"
#include "common/replacefile.h"
#include "common/textnumbers.h"

#include <algorithm>

namespace zorkan::cli {

Arguments parseArguments(int argc, char** argv, int first, const std::vector<std::string>& known,
                         const std::vector<std::string>& switches) {
    Arguments args;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            args.help = true;
            continue;
        }
        if (word.rfind("--", 0) != 0) {
            args.positional.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        if (std::find(switches.begin(), switches.end(), name) != switches.end()) {
            args.switches.push_back(name);
            continue;
        }
        std::string value;
        auto eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            throw UserMessage("Не задано значение параметра --" + name);
        }
        if (std::find(switches.begin(), switches.end(), name) != switches.end())
            throw UserMessage("Параметр --" + name + " задается без значения");
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw UserMessage("Неизвестный параметр --" + name);
        args.options[name] = value;
        args.given.emplace_back(name, value);
    }
    return args;
}

bool switchGiven(const Arguments& args, const std::string& name) {
    return std::find(args.switches.begin(), args.switches.end(), name) != args.switches.end();
}

double realOption(const Arguments& args, const std::string& name, double fallback) {
    auto it = args.options.find(name);
    if (it == args.options.end())
        return fallback;
    return realValue(it->second);
}

double realValue(const std::string& text) {
    double v;
    if (!parseDecimalReal(text, v))
        throwNotAFloat(text);
    return v;
}

std::vector<std::string> repeatedOption(const Arguments& args, const std::string& name) {
    std::vector<std::string> values;
    for (const auto& [option, value] : args.given)
        if (option == name)
            values.push_back(value);
    return values;
}

std::vector<std::string> splitValue(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(
            text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

std::int64_t integerOption(const Arguments& args, const std::string& name, std::int64_t fallback) {
    auto it = args.options.find(name);
    if (it == args.options.end())
        return fallback;
    std::int64_t v;
    if (!parseDecimalInteger(it->second, v))
        throwNotAnInteger(it->second);
    return v;
}

std::string textOption(const Arguments& args, const std::string& name,
                       const std::string& fallback) {
    auto it = args.options.find(name);
    return it == args.options.end() ? fallback : it->second;
}

std::vector<double> realList(const std::string& text, const std::string& what) {
    std::vector<double> values;
    for (const std::string& piece : splitValue(text, ',')) {
        double v = 0;
        if (!parseDecimalReal(piece, v))
            throw UserMessage(what + " '" + piece + "' не является числом");
        values.push_back(v);
    }
    return values;
}

void checkOutputFiles(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const NamedFile& out = outputs[i];
        if (out.path.empty())
            continue;
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (!outputs[j].path.empty() && sameFile(out.path, outputs[j].path))
                throw UserMessage("Один и тот же файл " + out.path + " задан как " + out.role +
                                  " и как " + outputs[j].role + ": выберите разные имена");
        for (const NamedFile& in : inputs)
            if (!in.path.empty() && sameFile(out.path, in.path))
                throw UserMessage("Файл " + out.path + " задан и как " + out.role + ", и как " +
                                  in.role + ": выберите другое имя");
    }
}

} // namespace zorkan::cli
