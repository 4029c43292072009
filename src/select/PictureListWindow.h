#pragma once

#include "platform/WizardPage.h"

#include <QStringList>

class PartsBox;
class QLabel;
class QListWidget;
class QPushButton;
class SplitJob;

// Step 1: the pictures to split and the number of parts per picture.
class PictureListWindow : public ui::WizardPage
{
    Q_OBJECT

public:
    // Fills in the job's pictures, their last folder and the number of parts.
    explicit PictureListWindow(SplitJob &job, QWidget *parent = nullptr);

    void addPictures();
    // Adds the pictures among dropped files and folders, as a pick in the dialog would.
    void addDropped(const QStringList &paths);
    void removeSelected();
    void next();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createList();
    // The add and remove buttons, which show a picture instead of text.
    void createPictureButtons();
    // The count of pictures and the number of parts with its caption around it.
    void createPartsControls();
    // The order Tab visits the controls in.
    void orderTabStops();
    // After every change of the list: the job's pictures and the count follow it.
    void listChanged();

    SplitJob &job_;
    QListWidget *pictureList_ = nullptr;
    PartsBox *partsBox_ = nullptr;
    QPushButton *removeButton_ = nullptr;
    QPushButton *addButton_ = nullptr;
    QLabel *partsLabelTop_ = nullptr;
    QLabel *partsLabelLeft_ = nullptr;
    QLabel *partsLabelRight_ = nullptr;
    QLabel *countLabel_ = nullptr;
    QLabel *pictureCount_ = nullptr;
};
