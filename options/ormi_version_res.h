// Resource identifiers of the version dialog (4000-4499).
#pragma once

#define IDD_VERSION 4000
#define IDC_IMAGE1 4001
#define IDC_LABEL_TITLE 4002
#define IDC_LABEL1 4003
#define IDC_LABEL_VERSION 4004
#define IDC_LABEL_COPY 4005
#define IDC_LABEL2 4006
#define IDC_LABEL_MAIL 4007
#define IDC_LABEL_MAIL2 4008
#define IDC_VERSION_BUTTON1 4009
