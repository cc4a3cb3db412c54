// A table of any number of rows in a scrolling box: only the rows in sight (and a few around
// them) are in the document, between two spacers that keep the scroll bar true. Every row has one
// height. The rows are made once and filled anew, a cell changed only where its text changes.
'use strict';

class VirtualTable {
  // box: the scrolling element around the table; fill(row, item) fills a row of `columns` cells.
  constructor(box, table, columns, fill) {
    this.box = box;
    this.body = table.tBodies[0];
    this.columns = columns;
    this.fill = fill;
    this.items = [];
    this.rows = [];
    this.rowHeight = 0;
    this.shown = null;
    [this.before, this.after] = [0, 1].map(() => {
      const spacer = document.createElement('tr');
      spacer.className = 'spacer';
      return spacer;
    });
    // The box's height and place, kept as they change: read while drawing, they would make the
    // browser lay the page out there and then.
    this.height = 600;
    this.top = 0;
    new ResizeObserver(() => {
      this.height = box.clientHeight || this.height;
      this.draw();
    }).observe(box);
    box.addEventListener('scroll', () => {
      this.top = box.scrollTop;
      this.draw();
    });
  }

  setItems(items) {
    this.items = items;
    this.shown = null;
    this.draw();
  }

  // Scrolls to the top, as for a list that is new.
  rewind() {
    this.box.scrollTop = 0;
    this.top = 0;
  }

  row(k) {
    while (this.rows.length <= k) {
      const row = document.createElement('tr');
      for (let i = 0; i < this.columns; ++i) row.insertCell();
      this.rows.push(row);
    }
    return this.rows[k];
  }

  draw() {
    const overscan = 10;
    if (!this.rowHeight && this.items.length > 0) {
      // The height of a row, measured once on a real one.
      const row = this.row(0);
      this.fill(row, this.items[0]);
      this.body.replaceChildren(row);
      this.rowHeight = row.getBoundingClientRect().height || 24;
    }
    const height = this.rowHeight || 24;
    const visible = Math.ceil(this.height / height);
    const first = Math.max(0, Math.floor(this.top / height) - overscan);
    const last = Math.min(this.items.length, first + visible + 2 * overscan);
    if (this.shown && this.shown.first === first && this.shown.last === last) return;
    this.shown = { first, last };
    const wanted = [];
    if (first > 0) {
      this.before.style.height = `${first * height}px`;
      wanted.push(this.before);
    }
    for (let i = first; i < last; ++i) {
      const row = this.row(i - first);
      this.fill(row, this.items[i]);
      wanted.push(row);
    }
    if (last < this.items.length) {
      this.after.style.height = `${(this.items.length - last) * height}px`;
      wanted.push(this.after);
    }
    const present = this.body.children;
    if (wanted.length !== present.length || wanted.some((row, i) => present[i] !== row)) {
      this.body.replaceChildren(...wanted);
    }
  }
}

// Sets a cell's text where it differs.
function setText(cell, value) {
  const text = value == null ? '' : String(value);
  if (cell.textContent !== text) cell.textContent = text;
}
