#pragma once

#include <stdexcept>
#include <string>

// The root of every failure the system raises. The message is UTF-8 text meant for
// the user; the application's default handler shows it in a message box. The detail,
// when there is one, says what failed and why (a file and the system's reason:
// "out.txt : Aucun espace disponible sur le périphérique"); a command line prints it on
// a line of its own after the message.
class Exception : public std::exception
{
public:
    explicit Exception(std::string message, std::string detail = {});

    const std::string &Message() const { return m_message; }
    const std::string &Detail() const { return m_detail; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
    std::string m_detail;
};

// A file could not be read or written.
class EInOutError : public Exception
{
public:
    using Exception::Exception;
};

// A stream could not create its file ("Impossible de créer le fichier %s").
class EFCreateError : public Exception
{
public:
    using Exception::Exception;
};

// A stream could not take the bytes written to it ("Erreur à l'enregistrement de flux").
class EWriteError : public Exception
{
public:
    using Exception::Exception;
};

// A text value could not be converted (a date outside the range its form holds, ...).
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A control could not take more content (the rich text view's capacity is reached).
class EOutOfResources : public Exception
{
public:
    using Exception::Exception;
};

// The text of "Impossible de créer le fichier %s" for a file name.
std::string CreateErrorMessage(const std::string &fileName);
// "Erreur à l'enregistrement de flux", in the user's language.
std::string WriteErrorText();

// The C library's text for the system error `error` (an errno value), in French as the
// program's messages are: read from the C library's own French catalogue (libc.mo of
// the package libc-l10n), whatever the user's locale and whether or not a French locale
// is installed; the C library's untranslated text where that catalogue is missing or
// lacks the text. UTF-8.
std::string SystemErrorText(int error);
// "FILE : REASON", the detail of a failure to write the file named `fileName` (as the
// user gave it) for the system error `error`; the name alone when `error` is 0.
std::string FileErrorDetail(const std::string &fileName, int error);
