#pragma once

#include <QString>

namespace lis {

// Everything the command line says about itself comes from its option table, so --help, the
// manual page and the shell completions cannot drift apart.
QString commandLineHelp(bool withWindowOptions = false);
QString manualPage();
QString bashCompletion();
QString zshCompletion();

} // namespace lis
