// The sub-commands of kw5tag.
#ifndef KW5TAG_COMMANDS_H
#define KW5TAG_COMMANDS_H

#include <string>
#include <vector>

namespace kw5tag {

struct Command {
    const char* name;
    const char* summary;
    const char* help; // full help text of the sub-command
    int (*run)(const std::vector<std::string>& args);
};

const std::vector<Command>& commands();

int runShow(const std::vector<std::string>& args);
int runGet(const std::vector<std::string>& args);
int runSet(const std::vector<std::string>& args);
int runDelete(const std::vector<std::string>& args);
int runGetObject(const std::vector<std::string>& args);
int runPutObject(const std::vector<std::string>& args);
int runCheck(const std::vector<std::string>& args);
int runConvert(const std::vector<std::string>& args);
int runExportUnknown(const std::vector<std::string>& args);
int runImportUnknown(const std::vector<std::string>& args);
int runMakeLsi(const std::vector<std::string>& args);
int runSample(const std::vector<std::string>& args);

} // namespace kw5tag

#endif
