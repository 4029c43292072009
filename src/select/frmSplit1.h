#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// Step 1: the pictures to split and the number of parts per picture.
class frmSplit1 : public QWidget
{
    Q_OBJECT

public:
    explicit frmSplit1(QWidget *parent = nullptr);

    // Controls, read directly by the later steps.
    QListWidget *List1 = nullptr;
    QComboBox *Combo1 = nullptr;
    QPushButton *Command2 = nullptr; // next
    QPushButton *Command3 = nullptr; // exit
    QPushButton *Command4 = nullptr; // remove
    QPushButton *Command5 = nullptr; // add
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;

    void addPictures();
    void removeSelected();
    void next();

signals:
    void nextRequested();
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showCount();
};
