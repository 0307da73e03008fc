// main.cpp - kvnlink's command line: builds the CLI11 parser from the table of subcommands and runs the one named.
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "cli_table.h"
#include "kvn.h"
#include "link_options.h"

namespace {

using namespace kvnlink;

// Prints a bad command line's reason and the usage of what was being parsed, and gives its exit code.
int bad(const CLI::App &app, const std::string &why) {
    const std::string name = app.get_parent() != nullptr ? app.get_parent()->get_name() : "";
    const std::string usage = app.get_parent() != nullptr ? app.help(name) : root_help(app);
    std::fprintf(stderr, "kvnlink: %s\n%s", why.c_str(), usage.c_str());
    return exit_usage;
}

// CLI11's own wording where kvnlink has documented its own; its other messages pass as they are.
std::string reason(const CLI::ParseError &e, const CLI::App &root, const CLI::App *parsed) {
    const std::string text = e.what();
    const auto extras = root.remaining();
    if (parsed == nullptr && dynamic_cast<const CLI::ExtrasError *>(&e) != nullptr && !extras.empty())
        return "unknown subcommand " + extras.front();
    return text;
}

// The subcommand the command line named, or null.
CLI::App *chosen(CLI::App &root) {
    const auto parsed = root.get_subcommands();
    return parsed.empty() ? nullptr : parsed.front();
}

} // namespace

int main(int argc, char **argv) {
    CLI::App root("kvnlink sends and receives draughts game messages over a kvn link.", "kvnlink");
    root.footer("Run 'kvnlink help SUBCOMMAND' (or 'kvnlink SUBCOMMAND --help') for its options.");
    root.set_help_flag("-h,--help", "print this help and exit");
    // One subcommand at most, so that `kvnlink help listen` reads listen as help's word.
    root.require_subcommand(0, 1);
    bool version = false;
    root.add_flag("--version", version, "print the version of kvn.h kvnlink was built with");
    std::map<const CLI::App *, Handler> handlers;
    for (const Subcommand &s : subcommand_table()) {
        CLI::App *sub = root.add_subcommand(s.name, s.summary);
        if (*s.summary == '\0') sub->group(""); // a worker of another subcommand, not for typing
        sub->set_help_flag("-h,--help", "print this help and exit");
        sub->footer(s.details); // even when empty: a subcommand would otherwise inherit the root's footer
        handlers[sub] = s.define(*sub);
    }
    try {
        root.parse(argc, argv);
        if (version) {
            // The version of kvn.h this program was built with, which is the library's own.
            std::printf("kvnlink %s\n", KVN_VERSION);
            return exit_ok;
        }
        CLI::App *sub = chosen(root);
        if (sub == nullptr) return bad(root, "which subcommand?");
        try {
            return handlers.at(sub)();
        } catch (const UsageError &e) {
            return bad(*sub, e.what());
        }
    } catch (const CLI::CallForHelp &) {
        const CLI::App *sub = chosen(root);
        std::fputs(sub != nullptr ? sub->help("kvnlink").c_str() : root_help(root).c_str(), stdout);
        return exit_ok;
    } catch (const CLI::ParseError &e) {
        const CLI::App *sub = chosen(root);
        return bad(sub != nullptr ? *sub : root, reason(e, root, sub));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "kvnlink: %s\n", e.what());
        return exit_failed;
    }
}
