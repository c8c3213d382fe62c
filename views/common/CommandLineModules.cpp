#include "views/common/CommandLineModules.h"

#include <vector>

namespace {

std::vector<CommandLineModule>& Table() {
    static std::vector<CommandLineModule> table;
    return table;
}

}  // namespace

void CommandLineModules::Register(CommandLineModule entry) {
    auto& table = Table();
    std::erase_if(table, [&](const CommandLineModule& e) { return e.name == entry.name; });
    table.push_back(std::move(entry));
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
