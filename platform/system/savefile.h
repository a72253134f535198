#pragma once

#include <functional>
#include <string>

class QIODevice;

// Writes the output for the file `fileName` through `write`, whole or not at all, as
// TOutputFile (platform/outputfile.h) says: a regular file is written into a temporary
// beside it that replaces it only once complete (a failure leaves an existing file
// untouched and removes the temporary; a link keeps pointing at the replaced file, and a
// dangling link gets its file); a device, a fifo or a descriptor of the process such as
// /dev/stdout is written through; a directory or a socket is refused. The name is bytes
// and may hold any byte but NUL, also bytes that are not UTF-8.
// Throws EFCreateError ("Impossible de créer le fichier %s") when the output cannot be
// opened, EWriteError ("Erreur à l'enregistrement de flux", detailed with the file's name
// and the system's reason: "out.txt : Aucun espace disponible sur le périphérique") when
// writing it fails, and whatever else `write` throws. `write` writes to a device that
// passes what it is given straight to the file, unbuffered.
void SaveFileAtomically(const std::string &fileName, const std::function<void(QIODevice &)> &write);
