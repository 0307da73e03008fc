// cli_live_options.cpp - the options of the live page, shared by match, bridge, listen and connect.
#include "cli_checks.h"
#include "cli_table.h"

namespace kvnlink {

void add_live_page_options(CLI::App &app, LiveOptions &options) {
    CLI::Option *port =
        app.add_option("--http", options.port,
                       "serve a live page of the games on PORT, 1-65535: GET /, /state.json and /events")
            ->type_name("PORT")
            ->check(checks::port_number());
    app.add_option("--http-host", options.host, "with --http: the address to serve on (default 127.0.0.1)")
        ->type_name("HOST")
        ->needs(port);
}

} // namespace kvnlink
