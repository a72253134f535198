#pragma once

#include <stdexcept>
#include <string>

// The root of every failure the system raises. The message is UTF-8 text meant for
// the user; the application's default handler shows it in a message box.
class Exception : public std::exception
{
public:
    explicit Exception(std::string message);

    const std::string &Message() const { return m_message; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
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
extern const char *const SWriteError;
