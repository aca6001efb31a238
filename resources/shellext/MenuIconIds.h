// Icon resources of the menu images, for hosts that take a menu picture as an icon reference
// ("module path,-id") rather than a bitmap: one per menu image, numbered as the images are.
#pragma once

#define IDI_MENU_IMAGE_1 421
#define IDI_MENU_IMAGE_2 422
#define IDI_MENU_IMAGE_3 423
#define IDI_MENU_IMAGE_4 424
#define IDI_MENU_IMAGE_5 425
#define IDI_MENU_IMAGE_6 426
