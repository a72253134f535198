#include "platform/system/error.h"

#include <utility>

Exception::Exception(std::string message)
    : m_message(std::move(message))
{ }

std::string CreateErrorMessage(const std::string &fileName)
{
    return "Impossible de créer le fichier " + fileName;
}

const char *const SWriteError = "Erreur à l'enregistrement de flux";
