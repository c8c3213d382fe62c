#pragma once
// "Welcome to Kalvo ...": the profile to start with — the recent one, one of the predefined
// ones (chosen in the next dialog) or one that the user saved.

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QPushButton;

class StartProfileDialog : public QDialog {
    Q_OBJECT
public:
    explicit StartProfileDialog(const QString& profileFolder, QWidget* parent = nullptr);

    // The names of the user profiles in a folder: "KalvoUserProfil-NAME.ini" gives NAME, sorted.
    static QStringList UserProfileNames(const QString& folder);

    // 0 recent profile, 1 predefined profile, 2 user-defined profile.
    int Option() const;
    QString UserProfileName() const;

public slots:
    void accept() override;

private:
    void OnOptionChosen(int option);
    void OnNameEdited(const QString& text);
    void Refill();
    void UpdateOk();

    QString m_folder;
    QStringList m_names;
    QButtonGroup* m_options = nullptr;  // owned by the dialog
    QComboBox* m_profiles = nullptr;    // owned by the dialog
    QPushButton* m_ok = nullptr;        // owned by the button box
};
