// Runs the wizard's Qt tests, on the offscreen platform unless told
// otherwise.  (That platform warns at each window about what it cannot
// do, such as "propagateSizeHints()"; the warnings are harmless.)
#include <QApplication>

int run_wizard_flow_tests(int argc, char** argv);
int run_wizard_parts_tests(int argc, char** argv);
int run_wizard_real_run_tests(int argc, char** argv);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int failed = run_wizard_flow_tests(argc, argv);
  failed += run_wizard_parts_tests(argc, argv);
  failed += run_wizard_real_run_tests(argc, argv);
  return failed == 0 ? 0 : 1;
}
