#pragma once

// Couples a model to the views that show it: every change of the model is followed by
// notify(), on which each attached viewer re-reads the model. Neither side owns the other;
// a viewer that goes away before its binder detaches itself first.

#include <algorithm>
#include <vector>

namespace mvc {

template <typename Model>
class viewer {
public:
    // Re-read the model.
    virtual void update() = 0;
    virtual void refresh() = 0;
    virtual ~viewer() = default;

    void setModel(const Model* model) { m_model = model; }
    const Model* model() const { return m_model; }

protected:
    viewer() = default;
    viewer(const viewer&) = default;
    viewer& operator=(const viewer&) = default;

private:
    const Model* m_model = nullptr;
};

template <typename Model>
class binder {
public:
    // Points every attached viewer at model.
    void setModel(Model* model) {
        m_model = model;
        for (viewer<Model>* v : m_viewers) {
            v->setModel(m_model);
        }
    }
    Model* model() const { return m_model; }

    // Ignores a null viewer; a viewer attached twice is updated twice.
    void attachViewer(viewer<Model>* v) {
        if (v == nullptr) {
            return;
        }
        m_viewers.push_back(v);
        if (m_model != nullptr) {
            v->setModel(m_model);
        }
    }
    void detachViewer(viewer<Model>* v) {
        m_viewers.erase(std::remove(m_viewers.begin(), m_viewers.end(), v), m_viewers.end());
    }

    // Has every viewer re-read the model, in attach order; nothing without a model.
    void notify() {
        if (m_model == nullptr) {
            return;
        }
        for (viewer<Model>* v : m_viewers) {
            v->update();
        }
    }

private:
    Model* m_model = nullptr;
    std::vector<viewer<Model>*> m_viewers;
};

}  // namespace mvc
