// The About box's dialog and its content sub-form.
#include "about/aboutDialog.h"

#include <new>

#include "GPError.h"
#include "NGLContainerForm.h"
#include "NGLFormHost.h"
#include "NGLFormWindow.h"

namespace {

// Where a fatal error of a malformed About form is reported: the component's name and the line of
// each check.
const char* const kFatalFile = "source\\about\\AboutDialog";
const int kLineContentMissing = 312;
const int kLineContentEmpty = 313;
const int kLineSecondMissing = 315;
const int kLineSecondEmpty = 316;

AboutMillisFunction g_millis = gpCounterMillis;

Widget* makeContent() { return new (std::nothrow) AboutContent; }

bool inActionRange(std::int32_t id) { return id >= kAboutFirstAction && id <= kAboutLastAction; }

}  // namespace

void aboutSetMillisFunction(AboutMillisFunction function) { g_millis = function ? function : gpCounterMillis; }

// ---- content sub-form ----

Form* AboutContent::createForm() {
  // The base may make a form of a class the resource names; the content is always a page container.
  delete SubForm::createForm();
  ContainerForm* pages = new (std::nothrow) ContainerForm;
  if (pages) pages->setOwnsChildren(true);
  return pages;
}

void aboutRegisterContent() {
  WidgetRegistry::add("AboutContentSubForm", makeContent);
  registerSubForm();
}

// ---- dialog ----

AboutDialog::AboutDialog(Window* owner, FormHostListener* listener, SynthApp* application)
    : FormDialogHost(nullptr, nullptr, true), owner_(owner), application_(application), form_(*this) {
  setOwnerData(listener);
  form_.setProvider(listener);
  page_ = -1;
  closed_ = 0;
  // Loading lays the form out and runs onFormCreated.
  if (FormWindow* window = formWindow()) window->appendChildFromResource(&form_, kAboutFormId, true);
}

AboutDialog::~AboutDialog() {
  // The form is a member: the form window lets go of it before it is destroyed.
  if (FormWindow* window = formWindow()) window->clearChildren();
}

void AboutDialog::setAutoClose(std::int32_t seconds) {
  autoClose_ = seconds;
  timer_.start();
}

bool AboutDialog::onAction(std::int32_t id, std::int32_t code, void* data) {
  (void)data;
  if (code != kAboutWidgetAction || !inActionRange(id)) return false;
  if (id == kAboutCloseWidget) {
    closed_ = 1;
    end();
  }
  return true;
}

bool AboutDialog::onMessage(std::int32_t code, void* data) {
  // A message before the dialog's window exists does not close it: the close waits for a message
  // that can end the dialog, so the box never stays open for good.
  if (closed_ == 0 && autoClose_ > 0 && nativeHandle()) {
    timer_.stop();
    if (g_millis(timer_.startReading(), timer_.endReading()) > static_cast<std::int64_t>(autoClose_) * 1000) {
      closed_ = 1;
      end();
    }
  }
  return form_.Form::handleMessage(code, data);
}

void AboutDialog::onFormCreated() {
  Widget* first = form_.findWidget(kAboutContentWidget);
  AboutContent* content =
      first && first->className() == "AboutContentSubForm" ? dynamic_cast<AboutContent*>(first) : nullptr;
  if (!content) gpFatalError(kFatalFile, kLineContentMissing, nullptr);
  if (!content->form()) gpFatalError(kFatalFile, kLineContentEmpty, nullptr);
  Widget* ninth = form_.findWidget(kAboutSecondWidget);
  SubForm* second = ninth && ninth->className() == "SubForm" ? dynamic_cast<SubForm*>(ninth) : nullptr;
  if (!second) gpFatalError(kFatalFile, kLineSecondMissing, nullptr);
  if (!second->form()) gpFatalError(kFatalFile, kLineSecondEmpty, nullptr);
  content_ = content;
  second_ = second;
  showContentPage(kAboutTitlePageId);
  listenToActions(&form_);
}

void AboutDialog::showContentPage(std::int32_t id) {
  ContainerForm* pages = content_ ? dynamic_cast<ContainerForm*>(content_->form()) : nullptr;
  if (!pages) return;
  Form* page = new (std::nothrow) Form;
  if (!page) return;
  page->setProvider(form_.provider());
  if (!page->load(id)) {
    delete page;
    return;
  }
  pages->appendChild(page, true);
  page_ = id;
}

void AboutDialog::listenToActions(Form* form) {
  if (!form) return;
  for (Widget* widget : form->widgets()) {
    if (inActionRange(widget->id())) widget->addListener(this);
    if (SubForm* inner = dynamic_cast<SubForm*>(widget)) {
      Form* innerForm = inner->form();
      if (ContainerForm* pages = dynamic_cast<ContainerForm*>(innerForm)) innerForm = pages->currentPage();
      listenToActions(innerForm);
    }
  }
}
