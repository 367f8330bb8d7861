#include "device/otherpage.h"

#include "ui_otherpage.h"

OtherPage::OtherPage(QWidget *parent) : QWidget(parent), ui_(std::make_unique<Ui::OtherPage>()) { ui_->setupUi(this); }

OtherPage::~OtherPage() = default;
