#pragma once

#include <QString>
#include <memory>

class QFile;

// A plain-text activity log, optionally framed as an HTML page. Every line starts with the local
// date and time and the computer's name. Made switched off; used on the UI thread only.
class MyLogFile final {
public:
    MyLogFile();
    ~MyLogFile();
    MyLogFile(const MyLogFile&) = delete;
    MyLogFile& operator=(const MyLogFile&) = delete;

    // Switches logging on into this file, framed as HTML or not, created anew or appended to when
    // it is first opened. False, with nothing changed, while a file is open.
    bool SwitchOn(const QString& strFileName, bool bHtml, bool bOverwrite);
    // Opens the file unless it is open already; false when switched off or when it cannot be opened.
    bool Open();
    // Writes one line whose message is given whole, with its own line end. False, and nothing
    // written, when the file cannot be opened.
    bool LogFormat(const QString& message);
    // Writes one line holding the text and a line end. False, and nothing written, when the file
    // cannot be opened.
    bool LogText(const QString& text);
    // Ends an open file with the closing line and, for HTML, the footer; always switches logging
    // off. Always true.
    bool Close();

private:
    bool WriteLine(const QString& message);

    QString m_strFileName;
    int m_bHtml = 0;
    int m_bOverwrite = 0;
    bool m_bEnabled = false;
    std::unique_ptr<QFile> m_pFile;
};

// The program's log; made after theSettings and destroyed before it. Switched off unless asked for.
extern MyLogFile theLogFile;
