#include "install/run/write_failure.h"

const char kWriteFailureCaption[] = "Installation impossible";

void buildWriteFailureMessage(TextBuffer& message, const char* path) {
    // Split literals keep a hex escape from swallowing the letter after it.
    message.clear();
    message.append("Le fichier\n\t").append(path);
    message.append(
        "\nne peut \xEAtre mis \xE0 jour.\nV\xE9rifiez que vous disposez des droits n\xE9"
        "cessaires pour installer dans ce r\xE9pertoire, fermez toutes les "
        "applications actives, puis relancez cette installation.");
}
