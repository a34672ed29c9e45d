#pragma once
// Small option reader shared by the zorkan-cli commands: "--name value" pairs and
// positional arguments. Number options are read with the file reader's rules (point
// as the decimal separator) and fail with the window's conversion messages.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zorkan::cli {

struct Arguments {
    std::map<std::string, std::string> options; // without the leading "--"; the last given
    std::vector<std::pair<std::string, std::string>> given; // every option, in order
    std::vector<std::string> positional;
    std::vector<std::string> switches; // options without a value that were given
    bool help = false;
};

// Options not in `known` or `switches` are refused with a UserMessage; a switch
// ("--check") takes no value.
Arguments parseArguments(int argc, char** argv, int first, const std::vector<std::string>& known,
                         const std::vector<std::string>& switches = {});

bool switchGiven(const Arguments& args, const std::string& name);

double realOption(const Arguments& args, const std::string& name, double fallback);
std::int64_t integerOption(const Arguments& args, const std::string& name, std::int64_t fallback);
std::string textOption(const Arguments& args, const std::string& name, const std::string& fallback);
// "X" or "X1,X2,...", each read as every number option is; a piece that is no number is
// refused as "<what> '<piece>' не является числом".
std::vector<double> realList(const std::string& text, const std::string& what);
// Every value of an option that may be given more than once, in order.
std::vector<std::string> repeatedOption(const Arguments& args, const std::string& name);
// A number within an option's value ("0.1" of "--band 0.1,0.2"), read as number options are.
double realValue(const std::string& text);
// The pieces of a value between the separators ("0.1,0.2" -> "0.1", "0.2").
std::vector<std::string> splitValue(const std::string& text, char separator);

// A file a command writes or reads, with the words that name it in a refusal, in the
// nominative after "как" ("отчет (--report)", "рисунок (--picture)"); an empty
// path is a file not asked for.
struct NamedFile {
    std::string role;
    std::string path;
};

// Refuses, before anything is written, two outputs that reach one file (by sameFile)
// and an output that is one of the inputs, naming both roles and the file.
void checkOutputFiles(const std::vector<NamedFile>& outputs,
                      const std::vector<NamedFile>& inputs = {});

} // namespace zorkan::cli
