#include "GUI2/welcome_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "GUI2/wizard_shell.h"

welcome_page::welcome_page() : wizard_page(103, 1011, wiz_next) {
  auto* layout = new QVBoxLayout(this);
  auto* title = with_id(new QLabel("Welcome to the Database\nConversion Wizard\n", this), 1337);
  title->setFont(title_font());
  layout->addWidget(title);
  for (const char* line : {"This wizard helps you convert MS SQL database into",
                           "MS Access format. Click 'Next' to continue."}) {
    layout->addWidget(new QLabel(line, this));
  }
  layout->addSpacing(16);
  for (const char* line : {"WARNING: conversion productivity strongly depends",
                           "on amount of available memory. It is recommended that",
                           "you exit all programs before continue with the wizard."}) {
    layout->addWidget(new QLabel(line, this));
  }
  layout->addStretch();
}
