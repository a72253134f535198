#include "app/shared/identity.h"

#include "platform/system/translation.h"

std::string VersionText(const std::string &program)
{
    return program + " (Vantrel Oruk) " VANTREL_VERSION "\n"
        + TranslatedUtf8("VersionText",
            "Copyright (C) 2026 the Vantrel Oruk developers.\n"
            "Licence GPLv3+ : GNU GPL version 3 ou ultérieure <https://gnu.org/licenses/gpl.html>.\n"
            "Ceci est un logiciel libre : vous êtes libre de le modifier et de le redistribuer.\n"
            "Il n'y a AUCUNE GARANTIE, dans la limite permise par la loi.\n");
}
