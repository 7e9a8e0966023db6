#include "install/run/run_state.h"

#include <cstring>

RunState::RunState() {
    std::memset(&header, 0, sizeof header);
    header.size = payload::kHeaderSize;
}

void RunState::terminateHeaderTexts() {
    header.language[sizeof header.language - 1] = '\0';
    header.mainProgram[sizeof header.mainProgram - 1] = '\0';
    header.installFolder[sizeof header.installFolder - 1] = '\0';
    header.productName[sizeof header.productName - 1] = '\0';
    header.favoritesName[sizeof header.favoritesName - 1] = '\0';
    header.iconFile[sizeof header.iconFile - 1] = '\0';
    header.startMenuName[sizeof header.startMenuName - 1] = '\0';
}
