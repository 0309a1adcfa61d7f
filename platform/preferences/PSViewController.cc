#include "platform/preferences/PSViewController.h"

#include "platform/runtime/RuntimeClass.h"

OBJC_DEFINE_CLASS(PSViewController, UIViewController)

PSViewController::PSViewController(objc::Class* isa) : UIViewController(isa) {}
