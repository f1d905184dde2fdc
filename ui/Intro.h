#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;

namespace tidemark {

class Dialogues;

// An intro.txt larger than this is no real one and is not read.
inline constexpr qint64 LimiteIntro = 1024 * 1024;

// The presentation window opened by "?": the text of intro.txt; a click or a key closes it.
class Intro : public QWidget {
    Q_OBJECT
public:
    // `dialogues` is not owned and outlives the window.
    explicit Intro(Dialogues& dialogues, QWidget* parent = nullptr);

    // Reads intro.txt from the first of `chemins` where it can be read (a regular file of at
    // most LimiteIntro bytes); when none can, says in a message why the first one that is
    // there cannot be read, or that the file is missing, naming the first path, and leaves
    // the text empty.
    void charge(const QStringList& chemins);

    // Where the program looks for intro.txt: beside the program (a build tree), then in its
    // share folder (an installed program).
    static QStringList CheminsIntro();

    QString texte() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;

private:
    Dialogues& dialogues_;
    QPlainTextEdit* text1_;
};

// The lines of a text file, each followed by a line break, the last one included; UTF-8
// when the bytes are valid UTF-8, else Windows-1252.
QString LitTexteIntro(const QByteArray& octets);

}  // namespace tidemark
