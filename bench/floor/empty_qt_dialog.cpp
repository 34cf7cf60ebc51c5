// The floor of the Linux program's start-up: an empty Qt Widgets program
// with the utility's dialog title and one text, and nothing else.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Brelvan Ondavox Utility"));
    auto* text = new QLabel(QStringLiteral("ready"), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    return dialog.exec();
}
