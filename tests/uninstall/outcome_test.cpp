#include <gtest/gtest.h>

#include "uninstall/program/outcome.h"

TEST(RemovalOutcome, ExitCodesAndFrenchTexts) {
    RemovalOutcome outcome;
    EXPECT_EQ(exitCodeOf(outcome), 0);
    TextBuffer text(0);
    buildQuestion(text, "Carnet");
    EXPECT_STREQ(text.text,
                 "Voulez-vous supprimer \xAB\xA0"
                 "Carnet\xA0\xBB et tous ses composants de cet ordinateur\xA0?");
    buildFinalMessage(text, "Carnet", outcome);
    EXPECT_STREQ(text.text,
                 "\xAB\xA0"
                 "Carnet\xA0\xBB a \xE9t\xE9 supprim\xE9 de cet ordinateur.");
    outcome.scheduled = 2;
    EXPECT_EQ(exitCodeOf(outcome), 3010);
    buildFinalMessage(text, "Carnet", outcome);
    EXPECT_STREQ(text.text,
                 "\xAB\xA0"
                 "Carnet\xA0\xBB a \xE9t\xE9 supprim\xE9 de cet ordinateur.\r\n\r\n"
                 "Certains fichiers \xE9taient en cours d'utilisation\xA0: red\xE9marrez "
                 "l'ordinateur pour terminer la suppression.");
    outcome = RemovalOutcome();
    outcome.failed = 1;
    outcome.kept = 3;
    EXPECT_EQ(exitCodeOf(outcome), 2);
    buildFinalMessage(text, "Carnet", outcome);
    EXPECT_STREQ(text.text,
                 "\xAB\xA0"
                 "Carnet\xA0\xBB n'a pas \xE9t\xE9 enti\xE8rement supprim\xE9.\r\n\r\n"
                 "1 \xE9l\xE9ment n'a pas pu \xEAtre supprim\xE9\xA0: fermez les programmes qui "
                 "les utilisent, puis relancez la d\xE9sinstallation.\r\n\r\n"
                 "3 \xE9l\xE9ments de la liste ont \xE9t\xE9 laiss\xE9s en place par "
                 "prudence\xA0: ils ne font pas partie des dossiers du produit.");
    buildNoProfileMessage(text, "C:\\P\\TAVUUNINSTALL.INI");
    EXPECT_STREQ(text.text,
                 "Le fichier de d\xE9sinstallation \xAB\xA0"
                 "C:\\P\\TAVUUNINSTALL.INI\xA0\xBB est introuvable ou illisible. "
                 "Rien n'a \xE9t\xE9 supprim\xE9.");
}
