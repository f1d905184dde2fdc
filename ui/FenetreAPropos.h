#pragma once

#include <QWidget>

namespace tidemark {

// The About window: the application's name and version; a click or a key closes it.
// Start-up shows it while the main window loads.
class FenetreAPropos : public QWidget {
    Q_OBJECT
public:
    explicit FenetreAPropos(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;
};

}  // namespace tidemark
