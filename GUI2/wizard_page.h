// wizard_page: the base of every page of the wizard.
//
// A page is made from its template (its controls carry their identifiers
// as object names, so "1014" is the server field) and tells the shell its
// header title and subtitle, its help topic and the navigation buttons it
// enables.  The shell calls, in the page's life:
//   activate() on every activation, forwards or back: the buttons, then
//     page_init();
//   on_next() for Next (0 moves on, -1 stays), on_back() for Back;
//   on_cancel() for Cancel, Escape or closing the window (true closes);
//   on_help() for Help or F1, on_timer() on each tick of the shell's timer.
// Defaults: page_init true, on_next and on_back 0, help shows the page's
// topic, cancel asks "Are you sure you want to exit the wizard?" (No the
// default) and closes only on Yes.
//
// Thread-safety: window-thread objects.
#pragma once

#include <QFont>
#include <QString>
#include <QWizardPage>

class QCheckBox;
class wizard_shell;

// A page without help, and a page whose help is the default topic.
inline constexpr int wiz_no_help = -1;
inline constexpr int wiz_default_topic = 0;

inline constexpr char wiz_msg_exit[] = "Are you sure you want to exit the wizard?";

class wizard_page : public QWizardPage {
 public:
  // `help_topic`: a topic number, wiz_default_topic or wiz_no_help.  Empty
  // header texts hide the header (the watermark shows instead).
  wizard_page(int template_id, int help_topic, unsigned buttons, const QString& header_title = {},
              const QString& header_subtitle = {});

  int template_id() const { return template_id_; }
  int help_topic() const { return help_topic_; }

  void activate();

  virtual bool page_init() { return true; }
  virtual int on_next() { return 0; }
  virtual int on_back() { return 0; }
  virtual bool on_cancel();
  virtual void on_help();
  virtual void on_timer() {}

  // The control with identifier `id`, or null.
  template <class Widget>
  Widget* control(int id) const {
    return findChild<Widget*>(QString::number(id));
  }

 protected:
  wizard_shell& shell() const;

  // Names `widget` by its identifier and answers it.
  template <class Widget>
  static Widget* with_id(Widget* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
  }

  // The title font of the welcome and finish pages: Verdana, bold, 10
  // points.
  static QFont title_font();

  // Enables or disables the control `id` (traced).
  void enable_ctrl(int id, bool enable);
  // Traces the click that inverted the check box `id` (Qt's check boxes
  // invert themselves).
  void invert_chbox(int id);

 private:
  const int template_id_;
  const int help_topic_;
  const unsigned buttons_;
};
