// The About box: a modal form dialog whose content comes from the program's form resources. Its
// form holds the program's own content sub-form as widget 1 (a page container, class
// "AboutContentSubForm"), a plain sub-form as widget 9 and the close button 19000. Opened from the
// "?" menu and the main window's About button it stays until closed; as the start-up splash it
// closes itself once its time is up.
#pragma once

#include <cstdint>

#include "GPTimer.h"
#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLSubForm.h"
#include "NGLWidget.h"

class FormHostListener;
class SynthApp;
class Window;

// Resources of the About box: its picture and font maps, its form and the content's first page.
constexpr std::uint32_t kAboutMapId = 10000;
constexpr std::int32_t kAboutFormId = 10100;
constexpr std::int32_t kAboutTitlePageId = 10101;
// Widgets of the form: the content sub-form, the second sub-form, the action range and its close
// button.
constexpr std::int32_t kAboutContentWidget = 1;
constexpr std::int32_t kAboutSecondWidget = 9;
constexpr std::int32_t kAboutFirstAction = 19000;
constexpr std::int32_t kAboutLastAction = 19999;
constexpr std::int32_t kAboutCloseWidget = 19000;
// The notification code of a widget action (a button pressed or let go).
constexpr std::int32_t kAboutWidgetAction = 100001;

// The content sub-form: its inner form is a page container (null when it cannot be made).
class AboutContent : public SubForm {
 public:
  Form* createForm() override;
};

// Adds "AboutContentSubForm" to the widget registry and registers "SubForm".
void aboutRegisterContent();

class AboutDialog : public FormDialogHost, public WidgetListener {
 public:
  // The form is loaded through the listener's resources at once; a form whose widget 1 or 9 is not
  // as required ends the process with a fatal error.
  AboutDialog(Window* owner, FormHostListener* listener, SynthApp* application);
  ~AboutDialog() override;

  // The automatic close: the dialog ends on the first form message after `seconds` (0: never).
  void setAutoClose(std::int32_t seconds);
  // Widget actions 19000..19999 are handled (19000 closes); anything else is not.
  bool onAction(std::int32_t id, std::int32_t code, void* data);
  // Every message of the form: the automatic close is checked, then the form handles it.
  bool onMessage(std::int32_t code, void* data);
  // After the form's layout: checks widgets 1 and 9, shows the content's first page and listens to
  // the action widgets.
  void onFormCreated();

  bool onWidgetEvent(std::int32_t widgetId, std::int32_t code, void* data) override {
    return onAction(widgetId, code, data);
  }

  // The form as loaded (its widgets are empty when the resource is missing).
  Form& form() { return form_; }
  bool formLoaded() const { return form_.resourceId() == kAboutFormId; }
  AboutContent* content() const { return content_; }
  SubForm* second() const { return second_; }
  Window* ownerWindow() const { return owner_; }
  SynthApp* application() const { return application_; }
  std::int32_t page() const { return page_; }
  std::int32_t autoCloseSeconds() const { return autoClose_; }
  bool closed() const { return closed_ != 0; }

 private:
  // The form member: its messages and its creation go to the dialog.
  class AboutForm : public Form {
   public:
    explicit AboutForm(AboutDialog& dialog) : dialog_(dialog) {}
    bool handleMessage(std::int32_t code, void* data) override { return dialog_.onMessage(code, data); }
    void formCreated() override { dialog_.onFormCreated(); }

   private:
    AboutDialog& dialog_;
  };

  void showContentPage(std::int32_t id);
  void listenToActions(Form* form);

  Window* owner_ = nullptr;
  SynthApp* application_ = nullptr;
  std::int32_t page_ = -1;
  HiResTimer timer_;
  std::int32_t autoClose_ = 0;  // seconds
  std::uint8_t closed_ = 0;
  AboutForm form_;
  AboutContent* content_ = nullptr;
  SubForm* second_ = nullptr;
};

// The milliseconds between two counter readings that the automatic close measures: the performance
// counter's own (gpCounterMillis) unless a test puts in its clock; null restores the counter.
typedef std::int64_t (*AboutMillisFunction)(std::int64_t start, std::int64_t end);
void aboutSetMillisFunction(AboutMillisFunction function);
