// The object and scene modifier dialogs, "Process Objects" (146) and
// "Process Scene" (147). They edit an option record in place: every check
// box sets its flag when clicked, every number field writes its value when
// it is committed. "&Process" (hidden in batch mode) closes with Accepted;
// the caller runs the pass.
#pragma once
#include <QDialog>
#include <functional>
#include <vector>

class MVector3;
class ObjModOption1;
class ObjModOption2;
class QCheckBox;
class QGridLayout;
class QPushButton;

namespace kvgui {

class NumberField;

class ModifierDialog : public QDialog {
  Q_OBJECT
 public:
  // Shows every control again from the record (after a Load).
  void SyncControls();

 protected:
  ModifierDialog(int resource, const QString& title, bool batch_mode, QWidget* parent);
  // A check box bound to flag; the controls of enables follow its state.
  void AddCheck(int id, const char* text, int* flag, std::vector<int> enables = {});
  // A number field on the current row.
  void AddField(int id, double* value);
  // Three fields x, y, z on the current row.
  void AddVector(const int (&ids)[3], MVector3* v);
  // The file buttons act through these; each returns 1 on success.
  void SetFileActions(std::function<int(const char*)> load, std::function<int(const char*)> save);
  // Adds the button row; call last.
  void Finish();
  void reject() override;

 private:
  struct Check {
    QCheckBox* box;
    int* flag;
    std::vector<int> enables;
  };
  struct Field {
    NumberField* field;
    double* value;
  };
  void UpdateEnabling();
  void Load();
  void Save();

  bool batch_mode_;
  QGridLayout* grid_;
  int row_ = -1;
  int column_ = 0;
  std::vector<Check> checks_;
  std::vector<Field> fields_;
  std::function<int(const char*)> load_;
  std::function<int(const char*)> save_;
};

class ProcessObjectsDialog : public ModifierDialog {
  Q_OBJECT
 public:
  ProcessObjectsDialog(ObjModOption1& options, bool batch_mode, QWidget* parent);
};

class ProcessSceneDialog : public ModifierDialog {
  Q_OBJECT
 public:
  ProcessSceneDialog(ObjModOption2& options, bool batch_mode, QWidget* parent);
};

}  // namespace kvgui
