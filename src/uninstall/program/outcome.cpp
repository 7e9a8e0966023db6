#include "uninstall/program/outcome.h"

const char kRemovalTitle[] = "D\xE9sinstallation";
const char kRemovalWaitText[] = "Suppression en cours, veuillez patienter\x85";

namespace {

// Guillemets with no-break spaces, as French sets a quoted name.
void appendQuoted(TextBuffer& text, const char* name) {
    text.append("\xAB\xA0");
    text.append(name);
    text.append("\xA0\xBB");
}

void appendNumber(TextBuffer& text, int32_t number) {
    char digits[12];
    int32_t at = static_cast<int32_t>(sizeof digits) - 1;
    digits[at] = '\0';
    uint32_t value = number < 0 ? 0u : static_cast<uint32_t>(number);
    do {
        digits[--at] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    text.append(digits + at);
}

// "1 élément n'a pu être supprimé" / "3 éléments n'ont pu être supprimés".
void appendItems(TextBuffer& text, int32_t count, const char* one, const char* many) {
    appendNumber(text, count);
    text.append(count > 1 ? many : one);
}

}  // namespace

int32_t exitCodeOf(const RemovalOutcome& outcome) {
    if (outcome.failed > 0 || outcome.kept > 0)
        return kExitItemsRemain;
    return outcome.scheduled > 0 ? kExitRestartNeeded : kExitRemoved;
}

void buildQuestion(TextBuffer& text, const char* productName) {
    text.assign("Voulez-vous supprimer ");
    appendQuoted(text, productName);
    text.append(" et tous ses composants de cet ordinateur\xA0?");
}

void buildFinalMessage(TextBuffer& text, const char* productName, const RemovalOutcome& outcome) {
    text.assign("");
    appendQuoted(text, productName);
    if (outcome.failed == 0 && outcome.kept == 0) {
        text.append(" a \xE9t\xE9 supprim\xE9 de cet ordinateur.");
        if (outcome.scheduled > 0) {
            text.append(
                "\r\n\r\nCertains fichiers \xE9taient en cours d'utilisation\xA0: red\xE9marrez "
                "l'ordinateur pour terminer la suppression.");
        }
        return;
    }
    text.append(" n'a pas \xE9t\xE9 enti\xE8rement supprim\xE9.");
    if (outcome.failed > 0) {
        text.append("\r\n\r\n");
        appendItems(text, outcome.failed, " \xE9l\xE9ment n'a pas pu \xEAtre supprim\xE9",
                    " \xE9l\xE9ments n'ont pas pu \xEAtre supprim\xE9s");
        text.append(
            "\xA0: fermez les programmes qui les utilisent, puis relancez la d\xE9sinstallation.");
    }
    if (outcome.kept > 0) {
        text.append("\r\n\r\n");
        appendItems(text, outcome.kept, " \xE9l\xE9ment de la liste a \xE9t\xE9 laiss\xE9 en place",
                    " \xE9l\xE9ments de la liste ont \xE9t\xE9 laiss\xE9s en place");
        text.append(" par prudence\xA0: ils ne font pas partie des dossiers du produit.");
    }
    if (outcome.scheduled > 0) {
        text.append(
            "\r\n\r\nCertains fichiers \xE9taient en cours d'utilisation\xA0: red\xE9marrez "
            "l'ordinateur pour terminer leur suppression.");
    }
}

void buildNoProfileMessage(TextBuffer& text, const char* profilePath) {
    text.assign("Le fichier de d\xE9sinstallation ");
    appendQuoted(text, profilePath);
    text.append(" est introuvable ou illisible. Rien n'a \xE9t\xE9 supprim\xE9.");
}
