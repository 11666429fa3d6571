#include "framework/app.h"

#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "native/gxtk_audio.h"
#include "native/gxtk_graphics.h"

c_App* vx_app__app = nullptr;
c_GameDelegate* vx_app__delegate = nullptr;
VxGame* vx_app__game = nullptr;
int vx_app__devWidth = 0;
int vx_app__devHeight = 0;
Array<c_DisplayMode*> vx_app__displayModes;
c_DisplayMode* vx_app__desktopMode = nullptr;
int vx_app__updateRate = 0;

// ---- c_App ------------------------------------------------------------------------------------

c_App* c_App::m_new() {
    if (vx_app__app) vxError(String("App has already been created"));
    gc_assign(vx_app__app, this);
    gc_assign(vx_app__delegate, (new c_GameDelegate())->m_new());
    vx_app__game->SetDelegate(vx_app__delegate);
    return this;
}

int c_App::p_OnClose() {
    vx_app_EndApp();
}

int c_App::p_OnBack() {
    vx_app_EndApp();
}

// ---- c_GameDelegate ---------------------------------------------------------------------------

void c_GameDelegate::mark() {
    VxGameDelegate::mark();
    gc_mark_q(f__graphics);
    gc_mark_q(f__audio);
    gc_mark_q(f__input);
}

void c_GameDelegate::StartGame() {
    gc_assign(f__graphics, new gxtkGraphics());
    f__graphics->atlasImages = true;
    vx_graphics_SetGraphicsDevice(f__graphics);
    vx_graphics_SetFont(nullptr, 32);
    gc_assign(f__audio, new gxtkAudio());
    vx_audio_SetAudioDevice(f__audio);
    gc_assign(f__input, (new c_InputDevice())->m_new());
    vx_input_SetInputDevice(f__input);
    vx_app_ValidateDeviceWindow(false);
    vx_app_EnumDisplayModes();
    vx_app__app->p_OnCreate();
}

void c_GameDelegate::SuspendGame() {
    vx_app__app->p_OnSuspend();
    f__audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
    f__audio->Resume();
    vx_app__app->p_OnResume();
}

void c_GameDelegate::UpdateGame() {
    vx_app_ValidateDeviceWindow(true);
    f__input->p_BeginUpdate();
    vx_app__app->p_OnUpdate();
    f__input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
    vx_app_ValidateDeviceWindow(true);
    int mode = f__graphics->BeginRender();
    if (mode != 0) vx_graphics_BeginRender();
    if (mode == 2) {
        vx_app__app->p_OnLoading();
    } else {
        vx_app__app->p_OnRender();
    }
    if (mode != 0) vx_graphics_EndRender();
    f__graphics->EndRender();
}

void c_GameDelegate::KeyEvent(int event, int data) {
    f__input->p_KeyEvent(event, data);
    if (event != 1) return;
    if (data == 432) {
        vx_app__app->p_OnClose();
    } else if (data == 416) {
        vx_app__app->p_OnBack();
    }
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) {
    f__input->p_MouseEvent(event, data, x, y);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
    f__input->p_TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
    f__input->p_MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() {
    f__graphics->DiscardGraphics();
}

// ---- Display modes and their containers -------------------------------------------------------

c_DisplayMode* c_DisplayMode::m_new(int width, int height) {
    f__width = width;
    f__height = height;
    return this;
}

c_Node* c_Node::m_new(int key, c_DisplayMode* value, int color, c_Node* parent) {
    f_key = key;
    gc_assign(f_value, value);
    f_color = color;
    gc_assign(f_parent, parent);
    return this;
}

void c_Node::mark() {
    Object::mark();
    gc_mark_q(f_right);
    gc_mark_q(f_left);
    gc_mark_q(f_value);
    gc_mark_q(f_parent);
}

void c_Map::mark() {
    Object::mark();
    gc_mark_q(f_root);
}

c_Node* c_Map::p_FindNode(int key) {
    c_Node* node = f_root;
    while (node) {
        int cmp = p_Compare(key, node->f_key);
        if (cmp > 0) {
            node = node->f_right;
        } else if (cmp < 0) {
            node = node->f_left;
        } else {
            return node;
        }
    }
    return nullptr;
}

bool c_Map::p_Contains(int key) {
    return p_FindNode(key) != nullptr;
}

bool c_Map::p_Set(int key, c_DisplayMode* value) {
    c_Node* node = f_root;
    c_Node* parent = nullptr;
    int cmp = 0;
    while (node) {
        parent = node;
        cmp = p_Compare(key, node->f_key);
        if (cmp > 0) {
            node = node->f_right;
        } else if (cmp < 0) {
            node = node->f_left;
        } else {
            gc_assign(node->f_value, value);
            return false;
        }
    }
    node = (new c_Node())->m_new(key, value, -1, parent);
    if (!parent) {
        gc_assign(f_root, node);
    } else if (cmp > 0) {
        gc_assign(parent->f_right, node);
    } else {
        gc_assign(parent->f_left, node);
    }
    p_InsertFixup(node);
    return true;
}

void c_Map::p_RotateLeft(c_Node* node) {
    c_Node* child = node->f_right;
    gc_assign(node->f_right, child->f_left);
    if (child->f_left) gc_assign(child->f_left->f_parent, node);
    gc_assign(child->f_parent, node->f_parent);
    if (!node->f_parent) {
        gc_assign(f_root, child);
    } else if (node == node->f_parent->f_left) {
        gc_assign(node->f_parent->f_left, child);
    } else {
        gc_assign(node->f_parent->f_right, child);
    }
    gc_assign(child->f_left, node);
    gc_assign(node->f_parent, child);
}

void c_Map::p_RotateRight(c_Node* node) {
    c_Node* child = node->f_left;
    gc_assign(node->f_left, child->f_right);
    if (child->f_right) gc_assign(child->f_right->f_parent, node);
    gc_assign(child->f_parent, node->f_parent);
    if (!node->f_parent) {
        gc_assign(f_root, child);
    } else if (node == node->f_parent->f_right) {
        gc_assign(node->f_parent->f_right, child);
    } else {
        gc_assign(node->f_parent->f_left, child);
    }
    gc_assign(child->f_right, node);
    gc_assign(node->f_parent, child);
}

void c_Map::p_InsertFixup(c_Node* node) {
    while (node->f_parent && node->f_parent->f_color == -1 && node->f_parent->f_parent) {
        c_Node* parent = node->f_parent;
        c_Node* grand = parent->f_parent;
        if (parent == grand->f_left) {
            c_Node* uncle = grand->f_right;
            if (uncle && uncle->f_color == -1) {
                parent->f_color = 1;
                uncle->f_color = 1;
                grand->f_color = -1;
                node = grand;
            } else {
                if (node == parent->f_right) {
                    node = parent;
                    p_RotateLeft(node);
                }
                node->f_parent->f_color = 1;
                node->f_parent->f_parent->f_color = -1;
                p_RotateRight(node->f_parent->f_parent);
            }
        } else {
            c_Node* uncle = grand->f_left;
            if (uncle && uncle->f_color == -1) {
                parent->f_color = 1;
                uncle->f_color = 1;
                grand->f_color = -1;
                node = grand;
            } else {
                if (node == parent->f_left) {
                    node = parent;
                    p_RotateRight(node);
                }
                node->f_parent->f_color = 1;
                node->f_parent->f_parent->f_color = -1;
                p_RotateLeft(node->f_parent->f_parent);
            }
        }
    }
    f_root->f_color = 1;
}

void c_Stack::p_Push(c_DisplayMode* value) {
    if (f_length == f_data.Length()) gc_assign(f_data, f_data.Resize(f_length * 2 + 10));
    f_data.Set(f_length, value);
    ++f_length;
}

Array<c_DisplayMode*> c_Stack::p_ToArray() {
    Array<c_DisplayMode*> out(f_length);
    for (int i = 0; i < f_length; ++i) out.Set(i, f_data[i]);
    return out;
}

void c_Stack::mark() {
    Object::mark();
    gc_mark_q(f_data);
}

// ---- Module functions -------------------------------------------------------------------------

int vx_app_DeviceWidth() {
    return vx_app__devWidth;
}

int vx_app_DeviceHeight() {
    return vx_app__devHeight;
}

int vx_app_ValidateDeviceWindow(bool notifyApp) {
    int width = vx_app__game->GetDeviceWidth();
    int height = vx_app__game->GetDeviceHeight();
    if (width == vx_app__devWidth && height == vx_app__devHeight) return 0;
    vx_app__devWidth = width;
    vx_app__devHeight = height;
    if (notifyApp) vx_app__app->p_OnResize();
    return 0;
}

int vx_app_SetUpdateRate(int hertz) {
    vx_app__updateRate = hertz;
    vx_app__game->SetUpdateRate(hertz);
    return 0;
}

int vx_app_Millisecs() {
    return vx_app__game->Millisecs();
}

String vx_app_LoadState() {
    return vx_app__game->LoadState();
}

int vx_app_SaveState(const String& state) {
    vx_app__game->SaveState(state);
    return 0;
}

int vx_app_EnumDisplayModes() {
    Array<VxDisplayMode*> modes = vx_app__game->GetDisplayModes();
    c_IntMap* seen = (new c_IntMap())->m_new();
    c_Stack* distinct = (new c_Stack())->m_new();
    for (int i = 0; i < modes.Length(); ++i) {
        int width = modes[i]->width;
        int height = modes[i]->height;
        int key = (width << 16) | height;
        if (seen->p_Contains(key)) continue;
        c_DisplayMode* mode = (new c_DisplayMode())->m_new(width, height);
        seen->p_Insert(key, mode);
        distinct->p_Push(mode);
    }
    gc_assign(vx_app__displayModes, distinct->p_ToArray());
    VxDisplayMode* desktop = vx_app__game->GetDesktopMode();
    if (desktop) {
        gc_assign(vx_app__desktopMode, (new c_DisplayMode())->m_new(desktop->width, desktop->height));
    } else {
        gc_assign(vx_app__desktopMode, (new c_DisplayMode())->m_new(vx_app__devWidth, vx_app__devHeight));
    }
    return 0;
}

void vx_app_EndApp() {
    vxError(String());
}
