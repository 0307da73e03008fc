// live_page.h - the live page itself (HTML, CSS and script), kept in the binary: nothing is fetched from elsewhere.
#pragma once

namespace kvnlink {

const char *live_page_html();

} // namespace kvnlink
