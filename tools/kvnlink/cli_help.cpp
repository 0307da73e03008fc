// cli_help.cpp - `kvnlink help [SUBCOMMAND]`: the help texts CLI11 makes from the table.
#include <cstdio>
#include <memory>

#include "cli_table.h"
#include "link_options.h"

namespace kvnlink {

std::string root_help(const CLI::App &root) {
    // Not root.help(): that would show the help of the subcommand parsed, which is `help` itself.
    return root.get_formatter()->make_help(&root, root.get_name(), CLI::AppFormatMode::Normal);
}

Handler define_help(CLI::App &app) {
    auto wanted = std::make_shared<std::string>();
    app.add_option("SUBCOMMAND", *wanted, "the subcommand whose options to show");
    CLI::App *root = app.get_parent();
    return [root, wanted] {
        if (wanted->empty()) {
            std::fputs(root_help(*root).c_str(), stdout);
            return exit_ok;
        }
        const CLI::App *sub = nullptr;
        for (const CLI::App *candidate : root->get_subcommands([](const CLI::App *) { return true; }))
            if (candidate->get_name() == *wanted) sub = candidate;
        if (sub == nullptr) throw UsageError("unknown subcommand " + *wanted);
        std::fputs(sub->help(root->get_name()).c_str(), stdout);
        return exit_ok;
    };
}

} // namespace kvnlink
