#include "app/workingstate.h"
#include "core/regionalsettings.h"
#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

// Until the main window exists, the program prepares the working state and says so.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    abgleich::WorkingState state(abgleich::RegionalSettings::fromSystem());
    state.prepare(QDir::currentPath());
    QTextStream out(stdout);
    out << "Abgleichwerte für DUDI und ZYK " << abgleich::kFileVersion << "\n"
        << "Working state prepared: " << state.table.rows() - 1 << " point rows, configuration in "
        << state.configdir << "\n"
        << "The main window is not built yet.\n";
    return 0;
}
