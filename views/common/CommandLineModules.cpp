#include "views/common/CommandLineModules.h"

#include <vector>

namespace {

std::vector<CommandLineModule>& Table() {
    static std::vector<CommandLineModule> table;
    return table;
}

std::vector<CommandLineOption>& Options() {
    static std::vector<CommandLineOption> options;
    return options;
}

}  // namespace

void CommandLineModules::RegisterOption(CommandLineOption option) {
    auto& options = Options();
    std::erase_if(options, [&](const CommandLineOption& o) { return o.name == option.name; });
    options.push_back(std::move(option));
}

const CommandLineOption* CommandLineModules::FindOption(const QString& name) {
    for (const CommandLineOption& o : Options())
        if (o.name == name) return &o;
    return nullptr;
}

QStringList CommandLineModules::OptionUsage() {
    QStringList usage;
    for (const CommandLineOption& o : Options()) usage << o.name + u' ' + o.values.join(u'|');
    return usage;
}

void CommandLineModules::Register(CommandLineModule entry) {
    auto& table = Table();
    std::erase_if(table, [&](const CommandLineModule& e) { return e.name == entry.name; });
    table.push_back(std::move(entry));
}

void CommandLineModules::Unregister(const QString& name) {
    std::erase_if(Table(), [&](const CommandLineModule& e) { return e.name == name; });
}

const CommandLineModule* CommandLineModules::Find(const QString& name) {
    for (const CommandLineModule& e : Table())
        if (e.name == name) return &e;
    return nullptr;
}

QStringList CommandLineModules::RenderNames() {
    QStringList names;
    for (const CommandLineModule& e : Table())
        if (e.render) names << e.name;
    return names;
}

QStringList CommandLineModules::ExportNames() {
    QStringList names;
    for (const CommandLineModule& e : Table())
        if (e.exportText) names << e.name;
    return names;
}
