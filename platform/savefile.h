#pragma once

#include <functional>
#include <string>

class QIODevice;

// Writes a file through `write` into a temporary beside it, and renames the temporary
// over the file only once everything is written, so that a failure leaves an existing
// file untouched (and removes the temporary). The name is bytes and may hold any but
// NUL, also bytes that are not UTF-8. A link is followed: the file it names is replaced.
// Throws EFCreateError ("Impossible de créer le fichier %s") when the file cannot be
// created, EWriteError ("Erreur à l'enregistrement de flux") when writing it fails, and
// whatever `write` throws.
void SaveFileAtomically(const std::string &fileName, const std::function<void(QIODevice &)> &write);
